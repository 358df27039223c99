#pragma once

#include <functional>

#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QWidget>

class FolderTableView;
class QKeyEvent;

// A row view that answers the keyboard while its row is the table's chosen
// one: it shows that it is, and takes the keys the table does not.
class FolderTableRowKeys {
public:
    virtual ~FolderTableRowKeys() = default;
    virtual void setKeyboardChosen(bool chosen) = 0;
    // True when the key was dealt with.
    virtual bool rowKey(QKeyEvent* event) = 0;
};

// What the table asks of its owner, as a view-based table does: the number
// of rows, each row's height and the view that shows a row.
class FolderTableViewDataSource {
public:
    virtual ~FolderTableViewDataSource() = default;
    virtual int numberOfRows(FolderTableView* tableView) = 0;
    virtual double heightOfRow(FolderTableView* tableView, int row) = 0;
    // A view for the row, usually from makeView(); null leaves the row empty.
    virtual QWidget* viewForRow(FolderTableView* tableView, int row) = 0;
};

// A table of row views inside a scroll area. Views exist only for the rows
// that can be seen; a row scrolled out of sight gives its view back for
// reuse, and a view handed out again is first told to prepareForReuse().
// Given a focus policy it is one stop of Tab: while it has the focus one row
// is the chosen one (a FolderTableRowKeys view is told so), the arrows, Page
// Up, Page Down, Home and End move that choice and bring the row into sight,
// and the chosen row's view takes the other keys.
class FolderTableView : public QWidget {
    Q_OBJECT
public:
    explicit FolderTableView(QWidget* parent = nullptr);

    // Non-owning; the owner clears it before it goes away.
    void setDataSource(FolderTableViewDataSource* dataSource) { dataSource_ = dataSource; }
    FolderTableViewDataSource* dataSource() const { return dataSource_; }

    // How views with an identifier are made.
    void registerView(const QString& identifier, std::function<QWidget*()> factory);
    // A free view made under the identifier (told to prepareForReuse), else a
    // new one; null when nothing is registered under it.
    QWidget* makeView(const QString& identifier);

    // Asks the data source again for everything.
    void reloadData();

    int numberOfRows() const { return static_cast<int>(rowTops_.size()); }
    QRect rectOfRow(int row) const;
    // The view showing a row, null for a row out of sight or out of range.
    QWidget* viewAtRow(int row) const;
    // The rows that have views now.
    QList<int> rowsWithViews() const;
    // Views made so far, in use or free (tests count them).
    int madeViewCount() const { return madeViews_; }
    // The row the keyboard is on, -1 when none.
    int keyRow() const { return keyRow_; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void tile();
    void recycle(int row);
    QRect visibleRect() const;
    void setKeyRow(int row);
    // Tells the views whether theirs is the chosen row.
    void showKeyRow();

    FolderTableViewDataSource* dataSource_ = nullptr;
    QHash<QString, std::function<QWidget*()>> factories_;
    QHash<QString, QList<QPointer<QWidget>>> freeViews_;
    QMap<int, QPointer<QWidget>> rowViews_;
    QList<int> rowTops_;
    int totalHeight_ = 0;
    int madeViews_ = 0;
    int keyRow_ = -1;
    QPointer<QWidget> watchedViewport_;
};
