#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QLinearGradient>
#include <QList>
#include <QPointer>
#include <QRect>

class QLabel;
class QPropertyAnimation;

// One of the three large start buttons of the home screen (scan for large
// files, similar images, duplicate files): 270 wide, a soft gradient, the
// type's icon at the left, the title centred on x = 140, and a 120-point
// "glass" circle that pokes out past the right edge (only the part inside
// the button shows) with a small arrow. With the pointer inside, the circle
// takes the type's strong colour and slides 10 points left in 0.3 s and the
// arrow changes to "enteredGlass"; leaving undoes it. A click emits
// `clicked` like any button. The screen sets only the type and the title.
class FunctionButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class FunctionType { scanlargeFile, scanImages, scanDuplicateFile };

    static constexpr int buttonWidth = 270;
    static constexpr int circleSize = 120;
    static constexpr int cornerRadius = 4;

    explicit FunctionButton(QWidget* parent = nullptr);

    FunctionType functionType() const { return functionType_; }
    void setFunctionType(FunctionType type);
    void setTitle(const QString& title);
    QString title() const { return text(); }

    // The pointer is inside (cleared again by a press).
    bool isShowCircle() const { return isShowCircle_; }

    // Per type: the background gradient's two colours, the icon's image name
    // and the circle's two colours for the present pointer state.
    QLinearGradient myGradient() const;
    QString iconString() const;
    QList<QColor> viewBackground() const;

    // The box the title is drawn in, for a title `measuredWidth` wide in the
    // 14-point system font: 140 × 64 (wrapping) from 146 on, else
    // measuredWidth × 32 and 8 points lower; centred on x = 140.
    static QRectF titleBox(double measuredWidth, const QRectF& bounds);
    // The title's width in the 14-point system font.
    double measuredTitleWidth() const;

    // The circle, its resting frame, the colours it shows and the arrow.
    QWidget* circleView() const;
    QRect originalFrame() const { return originalFrame_; }
    QList<QColor> circleColors() const;
    QLabel* arrowImageView() const { return arrowImageView_; }
    QRect originalImageFrame() const { return originalImageFrame_; }
    QString arrowImageName() const { return arrowImageName_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void addCircleView();
    void changeCircleViewBackground();
    void setArrow(const QString& imageName, const QRect& frame);
    void moveCircle(const QRect& to, bool thenRestore);
    // Where the title or the type changed: the circle goes back to rest, and
    // the colours and the arrow follow the pointer state once it is there.
    void restoreCircle();

    FunctionType functionType_ = FunctionType::scanDuplicateFile;
    bool isShowCircle_ = false;
    QWidget* circleView_ = nullptr;
    QLabel* arrowImageView_ = nullptr;
    QString arrowImageName_;
    QRect originalFrame_;
    QRect originalImageFrame_;
    QPointer<QPropertyAnimation> circleAnimation_;
};
