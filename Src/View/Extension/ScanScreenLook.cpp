#include "ScanScreenLook.h"

#include "Foundation/Bundle.h"
#include "KPLExtensionView.h"
#include "QVLibrary/RYTDarkMode.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/CustomView/TruncatingLabel.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include <cmath>
#include <map>
#include <utility>

namespace ScanScreenLook {

namespace {

// The colours a widget keeps, put back whenever its palette changes.
class PaletteKeeper : public QObject {
public:
    explicit PaletteKeeper(QWidget* widget)
        : QObject(widget)
    {
        setObjectName(QStringLiteral("PaletteKeeper"));
        widget->installEventFilter(this);
    }

    static PaletteKeeper* of(QWidget* widget)
    {
        auto* keeper = widget->findChild<PaletteKeeper*>(QStringLiteral("PaletteKeeper"), Qt::FindDirectChildrenOnly);
        return keeper ? keeper : new PaletteKeeper(widget);
    }

    void keep(QPalette::ColorGroup group, QPalette::ColorRole role, const QColor& color)
    {
        kept_[{group, role}] = color;
    }

    void apply(QWidget* widget)
    {
        QPalette palette = widget->palette();
        bool changed = false;
        for (const auto& [place, color] : kept_) {
            if (palette.color(place.first, place.second) != color || !palette.isBrushSet(place.first, place.second)) {
                palette.setColor(place.first, place.second, color);
                changed = true;
            }
        }
        if (changed) {
            widget->setPalette(palette);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::PaletteChange) {
            apply(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    std::map<std::pair<QPalette::ColorGroup, QPalette::ColorRole>, QColor> kept_;
};

}  // namespace

void keepColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    if (!widget) {
        return;
    }
    PaletteKeeper* keeper = PaletteKeeper::of(widget);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        keeper->keep(group, role, color);
    }
    keeper->apply(widget);
}

void keepPalette(QWidget* widget, const QPalette& palette)
{
    if (!widget) {
        return;
    }
    PaletteKeeper* keeper = PaletteKeeper::of(widget);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            keeper->keep(group, QPalette::ColorRole(role), palette.color(group, QPalette::ColorRole(role)));
        }
    }
    keeper->apply(widget);
}

QColor surfaceColor(const QString& name, double alpha)
{
    QColor color = name.isEmpty() ? QColor() : RYTDarkMode::colorNamed(name, false);
    if (!color.isValid()) {
        color = QColor(Qt::red);
    }
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

void setTextColor(QLabel* label, const QColor& color)
{
    if (!label) {
        return;
    }
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label->setPalette(palette);
}

QColor textColor(const QLabel* label)
{
    return label ? label->palette().color(QPalette::WindowText) : QColor();
}

void setViewAlpha(QWidget* view, double alpha)
{
    if (!view) {
        return;
    }
    view->setProperty("viewAlpha", alpha);
    if (alpha >= 1.0) {
        // An opacity effect renders the view through a picture; drop it when
        // it changes nothing.
        if (qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect())) {
            view->setGraphicsEffect(nullptr);
        }
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect);
    }
    effect->setOpacity(alpha);
}

double viewAlpha(const QWidget* view)
{
    if (!view) {
        return 0.0;
    }
    const QVariant alpha = view->property("viewAlpha");
    return alpha.isValid() ? alpha.toDouble() : 1.0;
}

void keepScrollBarsLight(QWidget* root)
{
    const QPalette standard = QApplication::style()->standardPalette();
    QPalette light;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            light.setColor(QPalette::ColorGroup(group), QPalette::ColorRole(role),
                           standard.color(QPalette::ColorGroup(group), QPalette::ColorRole(role)));
        }
    }
    QList<QAbstractScrollArea*> areas = root->findChildren<QAbstractScrollArea*>();
    if (auto* own = qobject_cast<QAbstractScrollArea*>(root)) {
        areas.prepend(own);
    }
    for (QAbstractScrollArea* area : areas) {
        keepPalette(area->verticalScrollBar(), light);
        keepPalette(area->horizontalScrollBar(), light);
    }
}

QString clockText(qint64 seconds)
{
    if (seconds < 0) {
        seconds = 0;
    }
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

qint64 truncatedSeconds(double seconds)
{
    // 0.1 added 300 times is a hair below 30: allow for that drift.
    const double whole = std::floor(seconds + 1e-6);
    return whole <= 0 ? 0 : static_cast<qint64>(whole);
}

qint64 roundedUpSeconds(double seconds)
{
    const double whole = std::ceil(seconds - 1e-6);
    return whole <= 0 ? 0 : static_cast<qint64>(whole);
}

double virtualScanStep(double elapsedSeconds)
{
    if (elapsedSeconds <= 100.0) {
        return 0.0001;
    }
    if (elapsedSeconds <= 300.0) {
        return 0.000025;
    }
    if (elapsedSeconds <= 600.0) {
        return 0.00001;
    }
    if (elapsedSeconds <= 1100.0) {
        return 0.000004;
    }
    return 0.0;
}

QTimer* scanningTimer(QPointer<QTimer>& timer, QObject* owner, const std::function<void()>& tick)
{
    if (!timer) {
        timer = new QTimer(owner);
        timer->setInterval(100);
        QObject::connect(timer, &QTimer::timeout, owner, tick);
    }
    return timer;
}

double tickScanningClock(double& seconds, QLabel* timeLabel, bool pathShown)
{
    seconds += 0.1;
    timeLabel->setText(clockText(truncatedSeconds(seconds)));
    // Until the engine names a file, the walk gives no measure of its own.
    return pathShown ? 0.0 : virtualScanStep(seconds);
}

void setUpScanningPanel(QLabel* title, int titlePixelSize, CircularProgressView* ring, TruncatingLabel* path,
                        QLabel* elapsedCaption, QLabel* clock)
{
    QFont titleFont = title->font();
    titleFont.setPixelSize(titlePixelSize);
    titleFont.setBold(true);
    title->setFont(titleFont);
    ring->setOnLightSurface(true);
    setTextColor(title, surfaceColor(QStringLiteral("TitleLabelColor")));
    title->setText(localized("Scanning"));

    path->setText(QString());
    path->setElideMode(Qt::ElideMiddle);
    path->setTextColor(surfaceColor(QStringLiteral("TitleLabelColor"), 0.5));

    QFont caption = elapsedCaption->font();
    caption.setPixelSize(13);
    elapsedCaption->setFont(caption);
    setTextColor(elapsedCaption, surfaceColor(QStringLiteral("TitleLabelColor"), 0.4));
    elapsedCaption->setText(localized("Elapsed time") + QStringLiteral(": "));
    clock->setFont(shuziFont(14));
    setTextColor(clock, surfaceColor(QStringLiteral("TitleLabelColor")));
}

}  // namespace ScanScreenLook
