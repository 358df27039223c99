#include "ThumbnailRequests.h"

#include <QAbstractItemView>
#include <QRect>

void ThumbnailRequests::note(const QModelIndex& index, const QByteArray& key)
{
    if (!index.isValid()) {
        return;
    }
    const QPersistentModelIndex cell(index);
    const auto it = keyOf_.find(cell);
    if (it != keyOf_.end()) {
        if (it.value() == key) {
            return;
        }
        cellsOf_.remove(it.value(), cell);
        keyOf_.erase(it);
    }
    if (!key.isEmpty()) {
        keyOf_.insert(cell, key);
        cellsOf_.insert(key, cell);
    }
}

QSet<QByteArray> ThumbnailRequests::wanted(const QAbstractItemView* view, const CellRect& cellRect)
{
    QSet<QByteArray> keys;
    const QRect screen = view->viewport()->rect();
    for (auto it = keyOf_.begin(); it != keyOf_.end();) {
        // A cell whose row went away (a new group, a removal) is invalid.
        if (!it.key().isValid() || !cellRect(it.key()).intersects(screen)) {
            cellsOf_.remove(it.value(), it.key());
            it = keyOf_.erase(it);
            continue;
        }
        keys.insert(it.value());
        ++it;
    }
    return keys;
}

void ThumbnailRequests::landed(QAbstractItemView* view, const QByteArray& key, const CellRect& cellRect) const
{
    for (auto it = cellsOf_.constFind(key); it != cellsOf_.cend() && it.key() == key; ++it) {
        if (it.value().isValid()) {
            view->viewport()->update(cellRect(it.value()));
        }
    }
}
