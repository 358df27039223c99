#pragma once

#include <functional>

#include <QListView>

// A list of rows painted by its delegate, told after each paint so its
// owner can say which thumbnails are still wanted.
class ImageListView : public QListView {
    Q_OBJECT
public:
    explicit ImageListView(QWidget* parent = nullptr);

    std::function<void()> afterPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};
