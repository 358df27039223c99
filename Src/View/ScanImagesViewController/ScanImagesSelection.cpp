#include "ScanImagesSelection.h"

namespace ScanImagesSelection {

int selectedCount(const ScanImagesGroupItem& group)
{
    int count = 0;
    for (const ScanImagesItemPtr& item : group.dupImageItems()) {
        count += item && item->isSelect() ? 1 : 0;
    }
    return count;
}

int stateOf(const ScanImagesGroupItem& group)
{
    const int selected = selectedCount(group);
    if (selected == 0) {
        return 0;
    }
    return selected == group.dupImageItems().size() ? 1 : -1;
}

int recount(ScanImagesGroupItem& group)
{
    group.setIsSelect(stateOf(group));
    return group.isSelect();
}

void recount(const ScanImagesGroupList& groups)
{
    for (const ScanImagesGroupItemPtr& group : groups) {
        if (group) {
            recount(*group);
        }
    }
}

void setAll(ScanImagesGroupItem& group, bool selected)
{
    for (const ScanImagesItemPtr& item : group.dupImageItems()) {
        if (item) {
            item->setIsSelect(selected);
        }
    }
    recount(group);
}

Totals totals(const ScanImagesGroupList& groups)
{
    Totals t;
    for (const ScanImagesGroupItemPtr& group : groups) {
        if (!group) {
            continue;
        }
        for (const ScanImagesItemPtr& item : group->dupImageItems()) {
            if (!item) {
                continue;
            }
            t.totalCount += 1;
            t.totalSize += item->imageSize();
            if (item->isSelect()) {
                t.selectedCount += 1;
                t.selectedSize += item->imageSize();
            }
        }
    }
    return t;
}

}  // namespace ScanImagesSelection
