#pragma once

#include <QLabel>

// A one-line label that shortens a text too long for it with an ellipsis
// (in the middle by default, which keeps both ends of a path) instead of
// cutting it off.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    Qt::TextElideMode elideMode() const { return elideMode_; }
    void setElideMode(Qt::TextElideMode mode);

    // The text as drawn at the label's width now.
    QString shownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode elideMode_ = Qt::ElideMiddle;
};
