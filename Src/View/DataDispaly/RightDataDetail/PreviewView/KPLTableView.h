#pragma once

#include <QPointer>
#include <QTableView>

class KPLTableView;

// Who hears which row a click hit.
class KPLTableViewDelegate {
public:
    virtual ~KPLTableViewDelegate() = default;
    virtual void KPLTableViewClickRow(KPLTableView* tableView, int clickRow) = 0;
};

// A one-column list that tells its delegate which row a mouse press hit,
// after its own handling of the press (so after the selection changed).
class KPLTableView : public QTableView {
    Q_OBJECT
public:
    explicit KPLTableView(QWidget* parent = nullptr);

    // Non-owning; the delegate's owner clears it before it goes away.
    KPLTableViewDelegate* kplDelegate() const { return kplDelegate_; }
    void setKplDelegate(KPLTableViewDelegate* delegate) { kplDelegate_ = delegate; }

    // The row at a point of the viewport, -1 when none.
    int rowAtPoint(const QPoint& point) const;
    // The row of the last double click, -1 when none.
    int clickedRow() const { return clickedRow_; }
    int selectedRow() const;
    // Selects `row` alone (or nothing for -1) and, unless told otherwise,
    // scrolls it into view.
    void selectRow(int row, bool bringIntoView = true);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    KPLTableViewDelegate* kplDelegate_ = nullptr;
    int clickedRow_ = -1;
};
