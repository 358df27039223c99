#include "AboutWindowController.h"

#include "ui_AboutWindowController.h"

#include "Foundation/Bundle.h"
#include "Main/MainWindow.h"
#include "Main/Utilities.h"
#include "QVBaseLib/Helper.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"
#include "QVLibrary/RYTLinkTextField.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QScreen>

namespace {

const char* const kCopyrightTemplate = "Copyright © %@ Brimvale Software. All rights reserved.";
const char* const kRegionalCopyrightTemplate = "Copyright © %@ Lantaro Software Co., Ltd. All rights reserved.";
const char* const kCopyrightYear = "2025";

QString infoString(const char* key)
{
    const QVariant value = Bundle::main().objectForInfoDictionaryKey(QString::fromLatin1(key));
    return value.metaType().id() == QMetaType::QString ? value.toString() : QString();
}

void setTextColor(QLabel* label, const QColor& color)
{
    if (!color.isValid()) {
        return;
    }
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

}  // namespace

AboutWindowController::AboutWindowController()
    : ui_(std::make_unique<Ui::AboutWindowController>())
{
    auto* window = new QWidget(nullptr, Qt::Dialog);
    ui_->setupUi(window);
    window->installEventFilter(this);
    setWindow(window);
    windowDidLoad();
}

AboutWindowController::~AboutWindowController() = default;

RYTLinkTextField* AboutWindowController::websiteLabel() const
{
    return ui_->websiteLabel;
}

QLabel* AboutWindowController::version() const
{
    return ui_->version;
}

QLabel* AboutWindowController::date() const
{
    return ui_->date;
}

QLabel* AboutWindowController::copyright() const
{
    return ui_->copyright;
}

QLabel* AboutWindowController::tipLabel() const
{
    return ui_->tipLabel;
}

QLabel* AboutWindowController::themeLabel() const
{
    return ui_->themeLabel;
}

QLabel* AboutWindowController::nameLabel() const
{
    return ui_->nameLabel;
}

QString AboutWindowController::displayDate(const QDateTime& date)
{
    if (!date.isValid()) {
        return {};
    }
    return QLocale(QStringLiteral("en")).toString(date, QStringLiteral("yyyy/MM/dd"));
}

void AboutWindowController::windowDidLoad()
{
    QWidget* window = this->window();
    window->setObjectName(QStringLiteral("AboutWindowController"));
    window->setAttribute(Qt::WA_StyledBackground);
    window->setStyleSheet(QStringLiteral("#AboutWindowController { background-color: #FFFFFF; }"));

    ui_->tipLabel->setText(localized("This computer program is protected by copyright law and international threats. "
                                     "Unauthorized reproduction or distribution of this program is strictly "
                                     "prohibited."));

    const QString shortVersion = infoString("CFBundleShortVersionString");
    const QVariant markValue = Bundle::main().objectForInfoDictionaryKey(QStringLiteral("WebMark"));
    const bool hasMark = markValue.metaType().id() == QMetaType::QString;
    const QString mark = hasMark ? markValue.toString() : QString();

    const QDateTime buildDate = QDateTime::fromSecsSinceEpoch(Helper::compileDate().toSecsSinceEpoch());
    ui_->version->setText(localized("Version:") + QLatin1Char(' ') + shortVersion);
    ui_->date->setText(localized("Date:") + QLatin1Char(' ') + displayDate(buildDate));

    QString brand = QStringLiteral("Brimvale");
    if (mark == QLatin1String("Velvic") || mark == QLatin1String("Velvic_Net")) {
        brand = QStringLiteral("Velvic");
    } else if (mark == QLatin1String("Lantaro")) {
        brand = QStringLiteral("Lantaro");
    }
    ui_->themeLabel->setText(brand);

    const bool regional = mark == QLatin1String("Lantaro");
    QString copyrightText = localized(regional ? kRegionalCopyrightTemplate : kCopyrightTemplate);
    copyrightText.replace(QStringLiteral("%@"), QString::fromLatin1(kCopyrightYear));
    ui_->copyright->setText(copyrightText);
    const QString product = regional ? CBSUtilitie::aCFBundleName() : QStringLiteral("Twinsweep");
    ui_->nameLabel->setText(product);
    window->setWindowTitle(localized("About") + QLatin1Char(' ') + (product.isEmpty() ? QStringLiteral("Twinsweep") : product));

    const std::optional<QUrl> about = CBSUtilitie::url(QStringLiteral("About"), false);
    const QString link = about ? about->toString() : QString();
    const QString text = localized("Website:") + QLatin1Char(' ') + link;
    ui_->websiteLabel->drawLinkTextFiledAttributed(
        text, link, QApplication::palette().color(QPalette::Link), QColor(Qt::transparent), std::nullopt, [this] {
            if (const std::optional<QUrl> home = CBSUtilitie::url(QStringLiteral("HomeURL"), true)) {
                Workspace::openWebAddress(home->toString(), this->window());
            }
        });

    const QColor title = RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), false);
    const QColor body = RYTDarkMode::colorNamed(QStringLiteral("LabelColor"), false);
    setTextColor(ui_->themeLabel, title);
    setTextColor(ui_->nameLabel, title);
    setTextColor(ui_->version, body);
    setTextColor(ui_->date, body);
    setTextColor(ui_->copyright, body);
    setTextColor(ui_->tipLabel, body);
    ui_->websiteLabel->setTextColor(body);
    const QIcon icon = RYTImage::named(QStringLiteral("AppIcon"));
    if (!icon.isNull()) {
        ui_->iconView->setPixmap(icon.pixmap(QSize(72, 72), qApp->devicePixelRatio()));
    }
}

void AboutWindowController::runModal(QWidget* centreOn)
{
    QWidget* window = this->window();
    if (!window) {
        return;
    }
    window->setWindowModality(Qt::ApplicationModal);
    window->adjustSize();
    QRect area;
    if (centreOn && centreOn->isVisible()) {
        area = centreOn->window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(area.center());
        window->move(frame.topLeft());
    }
    window->show();
    window->raise();
    window->activateWindow();
}

bool AboutWindowController::isRunningModal() const
{
    return window() && window()->isVisible() && window()->isModal();
}

bool AboutWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window() && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Escape closes the window, as it closes any dialog.
        window()->close();
        return true;
    }
    if (watched == window() && event->type() == QEvent::Close) {
        // Hiding the window ends its modal state.
        emit windowWillClose();
    }
    return WindowController::eventFilter(watched, event);
}

LinkTextField::LinkTextField(QWidget* parent)
    : QLabel(parent)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void LinkTextField::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (const std::optional<QUrl> home = CBSUtilitie::url(QStringLiteral("HomeURL"), false)) {
            Workspace::openWebAddress(home->toString(), window());
        }
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}
