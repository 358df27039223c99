#include "FunctionButton.h"

#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTImage.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QTextOption>

namespace {

constexpr int kSlide = 10;
constexpr int kSlideMs = 300;
constexpr int kArrowSize = 18;
constexpr int kEnteredArrowSize = 24;

QFont systemFont(int size)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(size);
    return font;
}

// The glass circle: a left-to-right gradient of two colours in a white rim.
class CircleView : public QWidget {
public:
    explicit CircleView(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }

    QList<QColor> colors;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (colors.size() < 2) {
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        // Only the part inside the card shows, within the card's own border:
        // the circle pokes out past the right edge, and would cover the
        // border and the rounded corners there.
        if (QWidget* card = parentWidget()) {
            QPainterPath inside;
            inside.addRoundedRect(QRectF(card->rect()).adjusted(1, 1, -1, -1).translated(-pos()),
                                  FunctionButton::cornerRadius - 1, FunctionButton::cornerRadius - 1);
            painter.setClipPath(inside);
        }
        const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QLinearGradient gradient(circle.left(), 0, circle.right(), 0);
        gradient.setColorAt(0, colors.at(0));
        gradient.setColorAt(1, colors.at(1));
        painter.setBrush(gradient);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawEllipse(circle);
    }
};

}  // namespace

FunctionButton::FunctionButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFixedWidth(buttonWidth);
    setMinimumHeight(64);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    addCircleView();
    originalImageFrame_ = QRect(buttonWidth - 30, 23, kArrowSize, kArrowSize);
    arrowImageView_ = new QLabel(this);
    arrowImageView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    arrowImageView_->setScaledContents(true);
    setArrow(QStringLiteral("glass"), originalImageFrame_);
    arrowImageView_->raise();
}

QSize FunctionButton::sizeHint() const
{
    return QSize(buttonWidth, 64);
}

void FunctionButton::setFunctionType(FunctionType type)
{
    functionType_ = type;
    changeCircleViewBackground();
    restoreCircle();
    update();
}

void FunctionButton::setTitle(const QString& title)
{
    setText(title);
}

void FunctionButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) {
        update();
    }
}

QLinearGradient FunctionButton::myGradient() const
{
    QLinearGradient gradient;
    switch (functionType_) {
    case FunctionType::scanlargeFile:
        gradient.setColorAt(0, color256(241, 244, 255));
        gradient.setColorAt(1, color256(244, 243, 251));
        break;
    case FunctionType::scanImages:
        gradient.setColorAt(0, color256(242, 247, 255));
        gradient.setColorAt(1, color256(240, 250, 249));
        break;
    case FunctionType::scanDuplicateFile:
        gradient.setColorAt(0, color256(244, 246, 255));
        gradient.setColorAt(1, color256(234, 239, 255));
        break;
    }
    return gradient;
}

QString FunctionButton::iconString() const
{
    switch (functionType_) {
    case FunctionType::scanlargeFile:
        return QStringLiteral("LargeFiles");
    case FunctionType::scanImages:
        return QStringLiteral("SimilarImages");
    case FunctionType::scanDuplicateFile:
        break;
    }
    return QStringLiteral("DuplicateFiles");
}

QList<QColor> FunctionButton::viewBackground() const
{
    if (isShowCircle_) {
        switch (functionType_) {
        case FunctionType::scanlargeFile:
            return {color256(101, 88, 243), color256(101, 88, 243)};
        case FunctionType::scanImages:
            return {color256(31, 186, 177), color256(31, 186, 177)};
        case FunctionType::scanDuplicateFile:
            return {color256(117, 137, 255), color256(117, 137, 255)};
        }
    }
    switch (functionType_) {
    case FunctionType::scanlargeFile:
        return {color256(236, 235, 255), color256(255, 255, 255, 0.7)};
    case FunctionType::scanImages:
        return {color256(233, 249, 248), color256(255, 255, 255, 0.44)};
    case FunctionType::scanDuplicateFile:
        break;
    }
    return {color256(229, 233, 255), color256(255, 255, 255, 0.49)};
}

QRectF FunctionButton::titleBox(double measuredWidth, const QRectF& bounds)
{
    const double h = bounds.height();
    QRectF box;
    if (measuredWidth >= 146) {
        box = QRectF(0, (h - 32) / 2 + bounds.y(), 140, 64);
    } else {
        box = QRectF(0, (h - 32) / 2 + bounds.y() + 8, measuredWidth, 32);
    }
    box.moveLeft(140 - box.width() / 2 + bounds.x());
    return box;
}

double FunctionButton::measuredTitleWidth() const
{
    if (text().isEmpty()) {
        return 0;
    }
    const QFontMetricsF metrics(systemFont(14));
    return metrics.boundingRect(QRectF(0, 0, 1e6, 1e6), Qt::TextExpandTabs, text()).width();
}

QWidget* FunctionButton::circleView() const
{
    return circleView_;
}

QList<QColor> FunctionButton::circleColors() const
{
    return static_cast<CircleView*>(circleView_)->colors;
}

void FunctionButton::addCircleView()
{
    auto* circle = new CircleView(this);
    circle->setGeometry(buttonWidth - 45, -32, circleSize, circleSize);
    circleView_ = circle;
    originalFrame_ = circle->geometry();
    changeCircleViewBackground();
}

void FunctionButton::changeCircleViewBackground()
{
    // A new fill replaces the old one, so a partly transparent colour never
    // shows an earlier colour through it.
    auto* circle = static_cast<CircleView*>(circleView_);
    circle->colors = viewBackground();
    circle->update();
}

void FunctionButton::setArrow(const QString& imageName, const QRect& frame)
{
    arrowImageName_ = imageName;
    const QIcon icon = RYTImage::named(imageName);
    arrowImageView_->setGeometry(frame);
    arrowImageView_->setPixmap(icon.pixmap(frame.size(), devicePixelRatioF()));
}

void FunctionButton::moveCircle(const QRect& to, bool thenRestore)
{
    if (circleAnimation_) {
        circleAnimation_->stop();
        delete circleAnimation_.data();
    }
    auto* animation = new QPropertyAnimation(circleView_, "geometry", this);
    animation->setDuration(kSlideMs);
    animation->setStartValue(circleView_->geometry());
    animation->setEndValue(to);
    if (thenRestore) {
        connect(animation, &QPropertyAnimation::finished, this, [this] {
            changeCircleViewBackground();
            setArrow(QStringLiteral("glass"), originalImageFrame_);
        });
    }
    circleAnimation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void FunctionButton::restoreCircle()
{
    moveCircle(originalFrame_, true);
}

void FunctionButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    isShowCircle_ = true;
    changeCircleViewBackground();
    setArrow(QStringLiteral("enteredGlass"),
             QRect(originalImageFrame_.x() - kSlide, originalImageFrame_.y() - 3, kEnteredArrowSize,
                   kEnteredArrowSize));
    // The resting frame stays the one the circle was made with, so a pointer
    // that comes back while the circle still slides never shifts it.
    moveCircle(originalFrame_.translated(-kSlide, 0), false);
}

void FunctionButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    isShowCircle_ = false;
    changeCircleViewBackground();
    setArrow(QStringLiteral("glass"), originalImageFrame_);
    moveCircle(originalFrame_, false);
}

void FunctionButton::mousePressEvent(QMouseEvent* event)
{
    QAbstractButton::mousePressEvent(event);
    // The press ends the hover look: the circle slides home at once, its
    // colours follow when it gets there.
    isShowCircle_ = false;
    restoreCircle();
}

void FunctionButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());

    QPainterPath shape;
    shape.addRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    // The background gradient runs at -45 degrees: from the top left corner
    // to the bottom right one.
    QLinearGradient gradient = myGradient();
    gradient.setStart(bounds.topLeft());
    gradient.setFinalStop(bounds.bottomRight());
    painter.fillPath(shape, gradient);

    const QIcon icon = RYTImage::named(iconString());
    if (!icon.isNull()) {
        icon.paint(&painter, QRect(15, 13, 39, height() - 26));
    }

    if (!text().isEmpty()) {
        const QRectF box = titleBox(measuredTitleWidth(), bounds);
        painter.setFont(systemFont(13));
        painter.setPen(color256(54, 78, 101));
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::WordWrap);
        painter.drawText(box, text(), option);
    }

    painter.setPen(QPen(color256(255, 255, 255), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    if (hasFocus()) {
        RYTButton::paintFocusMark(painter, bounds, cornerRadius);
    }
}

void FunctionButton::keyPressEvent(QKeyEvent* event)
{
    // As the program's other buttons.
    if (!RYTButton::handlePressKey(this, event, false)) {
        QAbstractButton::keyPressEvent(event);
    }
}

void FunctionButton::keyReleaseEvent(QKeyEvent* event)
{
    if (!RYTButton::handlePressKey(this, event, true)) {
        QAbstractButton::keyReleaseEvent(event);
    }
}
