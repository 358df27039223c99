#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPersistentModelIndex>
#include <QSet>

#include <functional>

class QAbstractItemView;
class QRect;

// The thumbnail each cell of a view last drew, as the loader's key. From it
// the thumbnails still wanted are those of the cells on screen, whatever
// part of the view the last paint covered; and a thumbnail that lands
// repaints only the cells that show it, so a view of a hundred images
// repaints one cell a landing instead of all of them. Main thread only.
class ThumbnailRequests {
public:
    using CellRect = std::function<QRect(const QModelIndex&)>;

    // The cell at `index` drew the thumbnail of `key` (empty: none of the
    // loader's, e.g. the engine's own).
    void note(const QModelIndex& index, const QByteArray& key);
    // The keys of the cells of `view` on screen; cells gone or scrolled
    // out of sight are forgotten.
    QSet<QByteArray> wanted(const QAbstractItemView* view, const CellRect& cellRect);
    // Repaints the cells of `view` that show `key`.
    void landed(QAbstractItemView* view, const QByteArray& key, const CellRect& cellRect) const;

private:
    QHash<QPersistentModelIndex, QByteArray> keyOf_;
    QMultiHash<QByteArray, QPersistentModelIndex> cellsOf_;
};
