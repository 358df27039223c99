#pragma once

#include <memory>

#include <QList>
#include <QString>

#include "ScanImagesItem.h"

// One group of similar images. The screens get copies of the group list
// (clone()), so a group the engine is still filling is never read while it
// changes; the images themselves are shared, which keeps the selection made
// on a copy visible to the removal.
class ScanImagesGroupItem {
public:
    QString groupName() const { return groupName_; }
    void setGroupName(const QString& v) { groupName_ = v; }
    qint64 groupSize() const { return groupSize_; }
    void setGroupSize(qint64 v) { groupSize_ = v; }
    qint64 groupCount() const { return groupCount_; }
    void setGroupCount(qint64 v) { groupCount_ = v; }
    QString sourceImagePath() const { return sourceImagePath_; }
    void setSourceImagePath(const QString& v) { sourceImagePath_ = v; }
    const QList<ScanImagesItemPtr>& dupImageItems() const { return dupImageItems_; }
    QList<ScanImagesItemPtr>& dupImageItems() { return dupImageItems_; }
    void setDupImageItems(const QList<ScanImagesItemPtr>& v) { dupImageItems_ = v; }
    // 1 all selected, 0 none, -1 some.
    int isSelect() const { return isSelect_; }
    void setIsSelect(int v) { isSelect_ = v; }

    // The copy's list of images has a block of its own: a copy is handed to
    // another thread, and two lists sharing one block across threads (one
    // detaching, one reading) race on it.
    std::shared_ptr<ScanImagesGroupItem> clone() const
    {
        auto copy = std::make_shared<ScanImagesGroupItem>(*this);
        copy->dupImageItems_.detach();
        return copy;
    }

private:
    QString groupName_;
    qint64 groupSize_ = 0;
    qint64 groupCount_ = 0;
    QString sourceImagePath_;
    QList<ScanImagesItemPtr> dupImageItems_;
    int isSelect_ = 0;
};

using ScanImagesGroupItemPtr = std::shared_ptr<ScanImagesGroupItem>;
using ScanImagesGroupList = QList<ScanImagesGroupItemPtr>;
