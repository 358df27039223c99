#pragma once

#include <QLabel>

class QFontMetrics;

// A one-line label that shortens a text too long for it with an ellipsis
// (in the middle by default, which keeps both ends of a path) instead of
// cutting it off. A label that shows a path cuts it at its folders instead
// (see elidedPath()).
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    Qt::TextElideMode elideMode() const { return elideMode_; }
    void setElideMode(Qt::TextElideMode mode);

    // Shows `path`, shortened by elidedPath() rather than by the elide
    // mode. The folders from `keepFrom` to `keepTo` (character positions,
    // -1 for none) are the ones this path does not share with those shown
    // beside it: they stay in sight where the width allows.
    void setPath(const QString& path, qsizetype keepFrom = -1, qsizetype keepTo = -1);

    // The text as drawn at the label's width now.
    QString shownText() const;

    // `path` as it fits into `width`: whole when it fits; otherwise the
    // folders are left out from the front, whole ones at a time, behind an
    // ellipsis ("…/2023/trip/IMG_0001.jpg"), so that the name and the
    // folders nearest it stay, where copies of one file usually differ.
    // Where that would leave out the folders from `keepFrom` to `keepTo`,
    // those stay and the folders between them and the name give way instead
    // ("…/2023/…/IMG_0001.jpg"). A name that does not fit even alone loses
    // its middle, keeping its end and extension.
    static QString elidedPath(const QString& path, const QFontMetrics& metrics, int width, qsizetype keepFrom = -1,
                              qsizetype keepTo = -1);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode elideMode_ = Qt::ElideMiddle;
    bool elidesPath_ = false;
    QString keptPath_;
    qsizetype keepFrom_ = -1;
    qsizetype keepTo_ = -1;
};
