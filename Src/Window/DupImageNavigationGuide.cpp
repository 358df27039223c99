#include "DupImageNavigationGuide.h"

#include "Foundation/Bundle.h"
#include "Foundation/UserDefaults.h"
#include "ModalOverlay.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"
#include "QVLibrary/RYTView.h"
#include "View/CustomView/FunctionButton.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>

namespace DupImageNavigationGuide {

QString flagKey()
{
    return QStringLiteral("showNavigations2.1.0.0");
}

bool isCompleted()
{
    return UserDefaults::standardUserDefaults().boolForKey(flagKey());
}

void setCompleted()
{
    UserDefaults::standardUserDefaults().setBool(true, flagKey());
}

void fillPages(const Pages& pages)
{
    const QList<std::pair<QLabel*, const char*>> titles = {
        {pages.duplicateBtnTitle, "Scan Duplicates"},
        {pages.dupImagesBtnTitle, "Scan Similar Images"},
        {pages.largeBtnTitle, "Scan Large Files"},
    };
    for (const auto& [label, text] : titles) {
        if (label) {
            label->setText(localized(text));
        }
    }
    // The titles lie on the light face of the buttons they stand for, in
    // either appearance.
    const QColor titleColor = QColor::fromRgbF(54 / 256.0f, 78 / 256.0f, 101 / 256.0f, 1.0f);
    for (const auto& [label, text] : titles) {
        if (label) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, titleColor);
            label->setPalette(palette);
        }
    }
    const QList<std::pair<QLabel*, const char*>> tips = {
        {pages.duplicateFileTipLabel,
         "Here you may scan for duplicate videos, photos, documents, and other items with the same content or file "
         "names."},
        {pages.dupImagesTipLabel, "Here you may scan for similar-looking images."},
        // The program runs on this computer, not on a Mac.
        {pages.largeFileTipLable, "Click the button to scan larger files on your computer."},
    };
    for (const auto& [label, text] : tips) {
        if (label) {
            label->setText(localized(text));
        }
    }
    updateView(pages.dupTextView, pages.duplicateFileTipLabel, false);
    updateView(pages.dupImageTextView, pages.dupImagesTipLabel, false);
    updateView(pages.largeTextView, pages.largeFileTipLable, true);
}

int tipTextHeight(const QLabel* textField)
{
    if (!textField) {
        return 0;
    }
    const QFontMetrics metrics(textField->font());
    const QRect needed = metrics.boundingRect(QRect(0, 0, textField->width(), maximumTipHeight),
                                              Qt::TextWordWrap | Qt::AlignLeft, textField->text());
    return std::min(needed.height(), maximumTipHeight);
}

void updateView(RYTView* view, QLabel* textField, bool keepsBottomEdge)
{
    if (!view) {
        return;
    }
    if (textField) {
        textField->setTextInteractionFlags(Qt::NoTextInteraction);
        textField->setAutoFillBackground(false);
        QPalette palette = textField->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        textField->setPalette(palette);
        QFont font = textField->font();
        font.setPixelSize(14);
        textField->setFont(font);
        textField->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        textField->setWordWrap(true);
    }
    const QRect before = view->geometry();
    const int h = tipTextHeight(textField);
    const int bubbleHeight = h + bubblePadding;
    if (textField) {
        const QRect label = textField->geometry();
        textField->setGeometry(label.x(), bubbleHeight / 2 - h / 2, label.width(), h);
    }
    const int top = keepsBottomEdge ? before.bottom() + 1 - bubbleHeight : before.y();
    view->setGeometry(before.x(), top, before.width(), bubbleHeight);
}

QRect stageFrame(QWidget* space)
{
    if (!space) {
        return {};
    }
    QWidget* window = space->window();
    const QWidget* home = window ? window->findChild<QWidget*>(QStringLiteral("FolderSetViewController")) : nullptr;
    if (home && home->isVisible()) {
        return QRect(space->mapFrom(window, home->mapTo(window, QPoint(0, 0))), home->size());
    }
    return QRect((space->width() - stageWidth) / 2, (space->height() - stageHeight) / 2, stageWidth, stageHeight);
}

void dressPages(QWidget* guide)
{
    const QList<std::pair<QString, FunctionButton::FunctionType>> kinds = {
        {QStringLiteral("dup"), FunctionButton::FunctionType::scanDuplicateFile},
        {QStringLiteral("images"), FunctionButton::FunctionType::scanImages},
        {QStringLiteral("large"), FunctionButton::FunctionType::scanlargeFile},
    };
    for (const auto& [key, type] : kinds) {
        if (auto* replica = guide->findChild<FunctionButton*>(key + QStringLiteral("Replica"))) {
            // A picture of the button: the page takes the click.
            replica->setFunctionType(type);
            replica->setAttribute(Qt::WA_TransparentForMouseEvents);
            replica->setFocusPolicy(Qt::NoFocus);
        }
        if (auto* arrow = guide->findChild<QLabel*>(key + QStringLiteral("Arrow"))) {
            arrow->setPixmap(RYTImage::named(QStringLiteral("navigationArrow")).pixmap(arrow->size(), guide->devicePixelRatioF()));
        }
    }
    const QList<std::pair<QString, QString>> icons = {
        {QStringLiteral("dupIcon"), QStringLiteral("DuplicateFiles")},
        {QStringLiteral("imagesIcon"), QStringLiteral("SimilarImages")},
        {QStringLiteral("dupImagesBtnImages"), QStringLiteral("SimilarImages")},
        {QStringLiteral("largeIcon"), QStringLiteral("LargeFiles")},
    };
    for (const auto& [name, image] : icons) {
        if (auto* icon = guide->findChild<QLabel*>(name)) {
            icon->setPixmap(RYTImage::named(image).pixmap(QSize(26, 26), guide->devicePixelRatioF()));
            icon->setStyleSheet(QStringLiteral("background: white; border-radius: 8px;"));
        }
    }
    for (RYTView* bubble : guide->findChildren<RYTView*>()) {
        bubble->setBackgroundColor(RYTDarkMode::colorNamed(QStringLiteral("NavigationBubbleColor")));
        bubble->setCornerRadius(QSizeF(10, 10));
    }
}

namespace {

enum class KeyStep { none, forward, back, finish };

KeyStep keyStep(const QKeyEvent* event)
{
    if (!event || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        return KeyStep::none;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Escape:
        return KeyStep::finish;
    case Qt::Key_Backtab:
        return KeyStep::back;
    case Qt::Key_Tab:
        return shift ? KeyStep::back : KeyStep::forward;
    case Qt::Key_Left:
    case Qt::Key_Up:
        return shift ? KeyStep::none : KeyStep::back;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Right:
    case Qt::Key_Down:
        return shift ? KeyStep::none : KeyStep::forward;
    default:
        return KeyStep::none;
    }
}

}  // namespace

bool takeKey(QKeyEvent* event, const KeySteps& steps)
{
    const KeyStep step = keyStep(event);
    if (step == KeyStep::none) {
        return false;
    }
    event->accept();
    if (event->type() != QEvent::KeyPress || event->isAutoRepeat()) {
        return true;
    }
    const std::function<void()>& act = step == KeyStep::forward ? steps.forward
                                       : step == KeyStep::back  ? steps.back
                                                                : steps.finish;
    if (act) {
        act();
    }
    return true;
}

namespace {
class EdgePin final : public QObject {
public:
    EdgePin(QWidget* view, QWidget* parent) : QObject(view), view_(view), parent_(parent)
    {
        parent->installEventFilter(this);
        view->setGeometry(parent->rect());
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent_ && event->type() == QEvent::Resize && view_->parentWidget() == parent_) {
            view_->setGeometry(parent_->rect());
        }
        return false;
    }

private:
    QWidget* view_;
    QPointer<QWidget> parent_;
};
}  // namespace

void pinToEdges(QWidget* view)
{
    if (view && view->parentWidget()) {
        new EdgePin(view, view->parentWidget());
    }
}

void holdFocus(QWidget* guide)
{
    if (!guide) {
        return;
    }
    guide->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(qApp, &QApplication::focusChanged, guide, [guide](QWidget*, QWidget* now) {
        if (!now || !guide->isVisible() || now == guide || guide->isAncestorOf(now)) {
            return;
        }
        if (now->window() != guide->window()) {
            return;
        }
        // A dialog laid over the window later (a notice) keeps its own focus.
        for (QWidget* up = now; up; up = up->parentWidget()) {
            if (qobject_cast<OverlayView*>(up) && !up->isAncestorOf(guide)) {
                return;
            }
        }
        guide->setFocus(Qt::OtherFocusReason);
    });
    if (guide->isVisible()) {
        guide->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace DupImageNavigationGuide
