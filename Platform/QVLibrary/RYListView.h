#pragma once

#include <functional>

#include <QHash>
#include <QList>
#include <QScrollArea>

#include "RYListViewCell.h"

class RYListView;

class RYListViewDataSource {
public:
    virtual ~RYListViewDataSource() = default;
    virtual int numberOfItemsInListView(RYListView* listView) = 0;
    virtual RYListViewCell* listViewCellForItemAt(RYListView* listView, int index) = 0;
};

class RYListViewDelegate {
public:
    virtual ~RYListViewDelegate() = default;
    virtual double listViewHeightOfRow(RYListView*, int /*row*/) { return 30.0; }
    virtual void listViewDidClickItemAt(RYListView*, int /*index*/) {}
    virtual void listViewDidDoubleClickItemAt(RYListView*, int /*index*/) {}
};

// A vertical list of cells of registered classes, laid out from the
// delegate's row heights. Cells are reused by identifier across reloads.
// In the keyboard focus it shows the focus ring, and Up and Down click the
// row above or below the selected one (the first row when none is).
class RYListView : public QScrollArea {
    Q_OBJECT
public:
    explicit RYListView(QWidget* parent = nullptr);

    // 0: one column of rows (the only style the program uses).
    int style() const { return style_; }
    void setStyle(int style) { style_ = style; }
    double minimumInteritemSpacing() const { return spacing_; }
    void setMinimumInteritemSpacing(double spacing);
    bool allowsHighlight() const { return allowsHighlight_; }
    void setAllowsHighlight(bool allows) { allowsHighlight_ = allows; }
    bool enableDoubleClick() const { return enableDoubleClick_; }
    void setEnableDoubleClick(bool enable) { enableDoubleClick_ = enable; }

    // Non-owning; the owner clears them before it goes away.
    void setDelegate(RYListViewDelegate* delegate) { delegate_ = delegate; }
    RYListViewDelegate* delegate() const { return delegate_; }
    void setDataSource(RYListViewDataSource* dataSource) { dataSource_ = dataSource; }
    RYListViewDataSource* dataSource() const { return dataSource_; }

    template <typename Cell>
    void registerClass(const QString& identifier)
    {
        factories_.insert(identifier, [] { return new Cell(); });
    }
    void registerFactory(const QString& identifier, std::function<RYListViewCell*()> factory);
    // A cell of the class registered under the identifier: a free one of
    // the last load when there is one, else a new one. Null when nothing is
    // registered under the identifier.
    RYListViewCell* dequeueReusableCell(const QString& identifier, int index);

    void reloadData();
    void scrollPoint(const QPoint& point);

    int numberOfItems() const { return static_cast<int>(cells_.size()); }
    // The cell shown at an index, null outside the list.
    RYListViewCell* cellAt(int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class RYListViewCell;
    void cellPressed(RYListViewCell* cell);
    void cellDoubleClicked(RYListViewCell* cell);

    QWidget* content_ = nullptr;
    int style_ = 0;
    double spacing_ = 0.0;
    bool allowsHighlight_ = false;
    bool enableDoubleClick_ = false;
    RYListViewDelegate* delegate_ = nullptr;
    RYListViewDataSource* dataSource_ = nullptr;
    QHash<QString, std::function<RYListViewCell*()>> factories_;
    QHash<QString, QList<RYListViewCell*>> reusable_;
    QList<RYListViewCell*> cells_;
};
