#pragma once

#include <QWidget>

// A one-colour separator line, placed from layouts; its colour is the named
// colour "ScanViewLineViewColor" of the present appearance.
class KPLLineView : public QWidget {
    Q_OBJECT
public:
    explicit KPLLineView(QWidget* parent = nullptr);

    QColor lineColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
