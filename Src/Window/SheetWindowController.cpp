#include "SheetWindowController.h"

#include "ModalOverlay.h"
#include "SheetMessageLabel.h"
#include "ui_SheetWindowController.h"

#include "Foundation/Bundle.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTextDocument>
#include <QTextEdit>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMessageWidth = 228;
constexpr int kTwoButtonWidth = 110;
constexpr int kButtonHeight = 28;
constexpr int kImageSize = 50;
// A message taller than this (more than two lines) reads better aligned to
// the start of the line than centred.
constexpr int kCentredMessageHeight = 41;

QPointer<SheetWindowController>& tracked()
{
    static QPointer<SheetWindowController> sheet;
    return sheet;
}

// The card is white in both appearances, so what is drawn on it takes the
// light value of its colour.
QColor onWhite(const char* name, const QColor& fallback)
{
    const QColor color = RYTDarkMode::colorNamed(QString::fromLatin1(name), false);
    return color.isValid() ? color : fallback;
}

}  // namespace

SheetWindowController::SheetWindowController()
    : ui_(std::make_unique<Ui::SheetWindowController>())
{
    auto* window = new QWidget;
    ui_->setupUi(window);
    setWindow(window);
    windowDidLoad();
}

SheetWindowController::~SheetWindowController() = default;

SheetWindowController* SheetWindowController::globalSheetController()
{
    return tracked();
}

RYTCheckBox* SheetWindowController::checkbox() const
{
    return ui_->checkbox;
}

QLabel* SheetWindowController::askLabel() const
{
    return ui_->askLabel;
}

QWidget* SheetWindowController::askContainer() const
{
    return ui_->askContainer;
}

void SheetWindowController::windowDidLoad()
{
    ui_->checkbox->setState(RYTCheckBox::stateOff);
    ui_->checkbox->setIconName(QStringLiteral("Selected"));
    ui_->checkbox->setIsHover(false);
    ui_->checkbox->setButtonType(RYTCheckBox::buttonTypeSwitch);
    ui_->askLabel->setText(localized("Don't remind me again."));
    QPalette askPalette = ui_->askLabel->palette();
    askPalette.setColor(QPalette::WindowText, onWhite("LabelColor", QColor(0x5F, 0x66, 0x70)));
    ui_->askLabel->setPalette(askPalette);
    connect(ui_->checkbox, &RYTCheckBox::clicked, this, &SheetWindowController::checkBoxAction);
    // Return and Escape are the sheet's whatever has the focus in it; the
    // other keys the controls leave alone reach the window.
    window()->installEventFilter(this);
    ui_->checkbox->installEventFilter(this);

    // A rounded white card, in both appearances.
    QWidget* content = window();
    content->setObjectName(QStringLiteral("SheetWindowController"));
    content->setAttribute(Qt::WA_StyledBackground);
    content->setStyleSheet(QStringLiteral("#SheetWindowController { background-color: #FFFFFF; border-radius: 10px; }"));
}

QLabel* SheetWindowController::imageView()
{
    if (!imageView_) {
        imageView_ = new QLabel(window());
        imageView_->setObjectName(QStringLiteral("imageView"));
        imageView_->setFixedSize(kImageSize, kImageSize);
        imageView_->setAlignment(Qt::AlignCenter);
    }
    return imageView_;
}

QLabel* SheetWindowController::labelTextField()
{
    if (!labelTextField_) {
        labelTextField_ = new SheetMessageLabel(window());
        labelTextField_->setObjectName(QStringLiteral("labelTextField"));
        QFont font = labelTextField_->font();
        font.setBold(true);
        font.setPixelSize(14);
        labelTextField_->setFont(font);
        labelTextField_->setWordWrap(true);
        labelTextField_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        labelTextField_->setTextFormat(Qt::PlainText);
        labelTextField_->setTextInteractionFlags(Qt::NoTextInteraction);
        labelTextField_->setFixedWidth(kMessageWidth);
        QPalette palette = labelTextField_->palette();
        palette.setColor(QPalette::WindowText, onWhite("LabelColor", QColor(0x5F, 0x66, 0x70)));
        labelTextField_->setPalette(palette);
    }
    return labelTextField_;
}

RYTButton* SheetWindowController::determineBtn()
{
    if (!determineBtn_) {
        // Styled in the light values: the button lies on the white card.
        RYTDarkMode::LightAppearanceScope light;
        determineBtn_ = new RYTButton(window());
        determineBtn_->setObjectName(QStringLiteral("determineBtn"));
        determineBtn_->setButton(RYTButton::ShowType::normal, QStringLiteral("Title"));
        determineBtn_->setFixedHeight(kButtonHeight);
        determineBtn_->installEventFilter(this);
        connect(determineBtn_, &RYTButton::clicked, this, &SheetWindowController::determineAction);
    }
    return determineBtn_;
}

RYTButton* SheetWindowController::uncertainBtn()
{
    if (!uncertainBtn_) {
        RYTDarkMode::LightAppearanceScope light;
        uncertainBtn_ = new RYTButton(window());
        uncertainBtn_->setObjectName(QStringLiteral("uncertainBtn"));
        uncertainBtn_->setCornerRadius(4.0);
        uncertainBtn_->setTitle(QStringLiteral("Title"));
        const QColor title = RYTButton::uncertainTitleColor();
        uncertainBtn_->setTitleColor(title, title, title, title);
        uncertainBtn_->setButtonStateColor(RYTButton::normalUncertainColor(), RYTButton::hoverUncertainColor(),
                                           RYTButton::clickUncertainColor(), RYTButton::disableUncertainColor());
        // A light outline keeps the second button visible on the card.
        const QColor outline = onWhite("ButtonborderColor", QColor(0xD0, 0xD4, 0xDA));
        uncertainBtn_->setButtonBorderColor(outline, outline, outline, outline);
        uncertainBtn_->setFixedSize(kTwoButtonWidth, kButtonHeight);
        uncertainBtn_->installEventFilter(this);
        connect(uncertainBtn_, &RYTButton::clicked, this, &SheetWindowController::uncertainAction);
    }
    return uncertainBtn_;
}

void SheetWindowController::setUp(SheetActionType type, const QString& message, const QString& firstTitle,
                                  const QString& secondTitle, bool* showPoint, CompletionHandler handler,
                                  const QString& copyableText)
{
    sheetType_ = type;
    const QIcon exclamation = RYTImage::named(QStringLiteral("exclamation"));
    if (!exclamation.isNull()) {
        const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
        imageView()->setPixmap(exclamation.pixmap(QSize(kImageSize, kImageSize), ratio));
    } else {
        imageView();
    }
    labelTextField()->setText(message);
    determineBtn()->setTitle(firstTitle);
    showPoint_ = showPoint;
    completionHandler_ = std::move(handler);

    auto* layout = qobject_cast<QVBoxLayout*>(window()->layout());
    buttonRow_ = new QHBoxLayout;
    buttonRow_->setContentsMargins(0, 0, 0, 0);
    buttonRow_->setSpacing(0);
    if (type == SheetActionType::determine) {
        determineBtn()->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttonRow_->addWidget(determineBtn());
    } else {
        uncertainBtn()->setTitle(firstTitle);
        determineBtn()->setTitle(secondTitle);
        determineBtn()->setFixedWidth(kTwoButtonWidth);
        buttonRow_->addWidget(uncertainBtn());
        buttonRow_->addStretch(1);
        buttonRow_->addWidget(determineBtn());
    }
    layout->insertWidget(0, imageView(), 0, Qt::AlignHCenter);
    layout->insertSpacing(1, 10);
    layout->insertWidget(2, labelTextField(), 0, Qt::AlignHCenter);
    layout->insertSpacing(3, 16);
    layout->insertLayout(4, buttonRow_);
    if (!copyableText.isEmpty()) {
        addCopyableField(copyableText);
    }
    if (type == SheetActionType::filterFlag) {
        layout->insertSpacing(5, 16);
        askContainer()->show();
    } else {
        askContainer()->hide();
    }
    window()->adjustSize();
    window()->resize(260, qMax(150, window()->heightForWidth(260)));
}

void SheetWindowController::addCopyableField(const QString& text)
{
    copyableField_ = new QTextEdit(window());
    copyableField_->setObjectName(QStringLiteral("copyableField"));
    copyableField_->setReadOnly(true);
    copyableField_->setAcceptRichText(false);
    copyableField_->setTabChangesFocus(true);
    // An address is one long word: it wraps where it must, and shows whole.
    copyableField_->setWordWrapMode(QTextOption::WrapAnywhere);
    copyableField_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    copyableField_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont font = copyableField_->font();
    font.setPixelSize(12);
    copyableField_->setFont(font);
    copyableField_->document()->setDocumentMargin(4);
    copyableField_->setPlainText(text);
    // On the white card in both appearances, with the light values.
    const QColor colour = onWhite("LabelColor", QColor(0x5F, 0x66, 0x70));
    const QColor outline = onWhite("ButtonborderColor", QColor(0xD0, 0xD4, 0xDA));
    copyableField_->setStyleSheet(
        QStringLiteral("QTextEdit { background-color: #FFFFFF; color: %1; border: 1px solid %2; border-radius: 4px;"
                       " selection-background-color: #2F80ED; selection-color: #FFFFFF; }")
            .arg(colour.name(), outline.name()));
    // As high as the text at the message's width, up to four lines.
    copyableField_->setFixedWidth(kMessageWidth);
    copyableField_->ensurePolished();
    const QMargins frame = copyableField_->contentsMargins();
    QTextDocument* document = copyableField_->document();
    document->setTextWidth(kMessageWidth - frame.left() - frame.right());
    const qreal most = 4 * QFontMetricsF(font).lineSpacing() + 2 * document->documentMargin();
    copyableField_->setFixedHeight(int(std::ceil(std::min(document->size().height(), most))) + frame.top() +
                                   frame.bottom());
    // Coming to it, by a click or Tab, selects the whole of it, ready to copy.
    copyableField_->installEventFilter(this);
    auto* layout = qobject_cast<QVBoxLayout*>(window()->layout());
    layout->insertWidget(4, copyableField_, 0, Qt::AlignHCenter);
    layout->insertSpacing(5, 16);
}

void SheetWindowController::alignTallMessage()
{
    QLabel* label = labelTextField();
    const int height = label->heightForWidth(kMessageWidth);
    if (height > kCentredMessageHeight) {
        const bool rightToLeft = window()->layoutDirection() == Qt::RightToLeft;
        label->setAlignment((rightToLeft ? (Qt::AlignRight | Qt::AlignAbsolute) : Qt::AlignLeft) | Qt::AlignVCenter);
    }
}

void SheetWindowController::beginSheet(SheetActionType type, const QString& message, const QString& firstTitle,
                                       const QString& secondTitle, QWidget* parentWindow, bool* showPoint,
                                       CompletionHandler completionHandler)
{
    begin(type, message, firstTitle, secondTitle, parentWindow, showPoint, std::move(completionHandler), QString());
}

void SheetWindowController::beginNotice(const QString& message, const QString& copyableText, QWidget* parentWindow)
{
    begin(SheetActionType::determine, message, localized("OK"), QString(), parentWindow, nullptr, nullptr,
          copyableText);
}

void SheetWindowController::begin(SheetActionType type, const QString& message, const QString& firstTitle,
                                  const QString& secondTitle, QWidget* parentWindow, bool* showPoint,
                                  CompletionHandler completionHandler, const QString& copyableText)
{
    // A sheet still showing answers its default before the new one takes
    // its place, so every caller hears back exactly once. A handler may
    // itself begin a sheet; that one is ended too.
    for (int guard = 0; guard < 16 && tracked() && tracked()->isShowing(); ++guard) {
        tracked()->endNow();
    }
    QPointer<SheetWindowController> previous = tracked();
    auto* sheet = new SheetWindowController;
    tracked() = sheet;
    if (previous) {
        if (previous->phase_ == Phase::ending) {
            previous->deleteWhenClosed_ = true;
        } else {
            previous->deleteLater();
        }
    }

    sheet->setUp(type, message, firstTitle, secondTitle, showPoint, std::move(completionHandler), copyableText);
    if (!parentWindow) {
        // Nothing to show the sheet on: answer the default, later, and
        // leave nothing behind that could block.
        auto handler = std::move(sheet->completionHandler_);
        sheet->completionHandler_ = nullptr;
        const int response = sheet->defaultResponse();
        sheet->markClosed();
        if (handler) {
            QMetaObject::invokeMethod(
                qApp, [handler = std::move(handler), response] { handler(response); }, Qt::QueuedConnection);
        }
        return;
    }
    sheet->phase_ = Phase::showing;
    ModalOverlay::beginSheet(parentWindow, sheet, false);
    sheet->alignTallMessage();
    // The keyboard goes to the sheet, its default button first.
    if (sheet->uncertainBtn_ && type != SheetActionType::determine) {
        QWidget::setTabOrder(sheet->uncertainBtn_, sheet->determineBtn_);
    }
    sheet->determineBtn()->setFocus(Qt::OtherFocusReason);
}

bool SheetWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == copyableField_ && event->type() == QEvent::FocusIn) {
        // After the press that brought the focus has placed the cursor.
        QTimer::singleShot(0, copyableField_, &QTextEdit::selectAll);
    }
    const bool mine = watched == window() || watched == determineBtn_ || watched == uncertainBtn_ ||
                      watched == ui_->checkbox || watched == copyableField_;
    if (mine && event->type() == QEvent::KeyPress && phase_ == Phase::showing) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
            return WindowController::eventFilter(watched, event);
        }
        // Return gives the default answer even where Tab has moved the
        // focus to "Yes": only Space presses the button in focus, so a
        // question about removing files is never confirmed by Return.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (!key->isAutoRepeat()) {
                determineAction();
            }
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            endWith(cancelResponse());
            return true;
        }
    }
    return WindowController::eventFilter(watched, event);
}

void SheetWindowController::endWith(int response)
{
    if (phase_ != Phase::showing) {
        return;
    }
    phase_ = Phase::ending;
    if (determineBtn_) {
        determineBtn_->setEnabled(false);
    }
    if (uncertainBtn_) {
        uncertainBtn_->setEnabled(false);
    }
    // The answer goes to this sheet's own caller, whatever is tracked later.
    auto handler = std::move(completionHandler_);
    completionHandler_ = nullptr;
    QPointer<SheetWindowController> self(this);
    auto closed = [self, handler = std::move(handler), response] {
        if (self) {
            self->markClosed();
        }
        if (handler) {
            handler(response);
        }
    };
    if (ModalOverlay::overlayFor(this)) {
        ModalOverlay::endSheet(window()->window(), this, std::move(closed));
    } else {
        closed();
    }
}

void SheetWindowController::endNow()
{
    if (phase_ == Phase::ending) {
        // Answered already and fading: finish now with that answer.
        if (OverlayView* overlay = ModalOverlay::overlayFor(this)) {
            overlay->closeNow();
        }
        return;
    }
    if (phase_ != Phase::showing) {
        return;
    }
    phase_ = Phase::ending;
    QPointer<SheetWindowController> self(this);
    auto handler = std::move(completionHandler_);
    completionHandler_ = nullptr;
    if (handler) {
        handler(defaultResponse());
    }
    if (!self) {
        return;
    }
    if (OverlayView* overlay = ModalOverlay::overlayFor(this)) {
        overlay->closeNow();
    }
    markClosed();
}

void SheetWindowController::markClosed()
{
    phase_ = Phase::closed;
    showPoint_ = nullptr;
    if (deleteWhenClosed_) {
        deleteLater();
    }
}

void SheetWindowController::endSheet(int response)
{
    if (SheetWindowController* sheet = tracked(); sheet && sheet->window()) {
        sheet->endWith(response);
    }
}

void SheetWindowController::endSheet()
{
    if (SheetWindowController* sheet = tracked()) {
        sheet->endNow();
    }
}

void SheetWindowController::determineAction()
{
    endWith(sheetType_ == SheetActionType::determine ? 1 : 0);
}

void SheetWindowController::uncertainAction()
{
    endWith(sheetType_ != SheetActionType::determine ? 1 : 0);
}

void SheetWindowController::checkBoxAction()
{
    if (showPoint_) {
        *showPoint_ = ui_->checkbox->state() == RYTCheckBox::stateOn;
    }
}

void SheetWindowController::showContentSureExitApp(CompletionHandler completionHandler)
{
    QWidget* parent = ModalOverlay::applicationMainWindow();
    if (!parent) {
        return;
    }
    beginSheet(SheetActionType::uncertain, localized("Are you sure you want to exit the program?"), localized("Yes"),
               localized("Cancel"), parent, nullptr, std::move(completionHandler));
}

void SheetWindowController::showContentFileNotExist()
{
    QWidget* parent = ModalOverlay::applicationMainWindow();
    if (!parent) {
        return;
    }
    beginSheet(SheetActionType::determine, localized("This file does not exist. It may be moved, renamed or deleted."),
               localized("OK"), QString(), parent, nullptr, nullptr);
}

void SheetWindowController::showContentFolderNotExist()
{
    QWidget* parent = ModalOverlay::applicationMainWindow();
    if (!parent) {
        return;
    }
    beginSheet(SheetActionType::determine,
               localized("The folder does not exist. Please choose another one. It may be moved, renamed or deleted."),
               localized("OK"), QString(), parent, nullptr, nullptr);
}
