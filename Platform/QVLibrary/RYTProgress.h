#pragma once

#include <QColor>
#include <QWidget>

// A horizontal share bar: a rounded track in the background colour, filled
// from the left in the progress colour to the value's share of the range
// from the minimum to the maximum. Values outside the range draw an empty or
// a full bar; an empty range (maximum not above minimum) draws an empty bar.
class RYTProgress : public QWidget {
    Q_OBJECT
public:
    explicit RYTProgress(QWidget* parent = nullptr);

    double minValue() const { return minValue_; }
    void setMinValue(double value);
    double maxValue() const { return maxValue_; }
    void setMaxValue(double value);
    double progressValue() const { return progressValue_; }
    void setProgressValue(double value);
    float cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(float radius);
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);
    QColor progressColor() const { return progressColor_; }
    void setProgressColor(const QColor& color);

    // The filled share, 0 to 1, as drawn.
    double fraction() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double minValue_ = 0.0;
    double maxValue_ = 1.0;
    double progressValue_ = 0.0;
    float cornerRadius_ = 0.0f;
    QColor backgroundColor_ = QColor(230, 236, 245);
    QColor progressColor_ = QColor(65, 111, 244);
};
