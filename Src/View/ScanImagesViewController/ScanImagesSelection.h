#pragma once

#include <QtGlobal>

#include "Model/ScanImagesGroupItem.h"

// The selection of similar images is held by the images' own flags; a
// group's three-state value and every count shown are always worked out
// from them, never stepped or carried over, so nothing on screen can claim
// an image that is not selected.
namespace ScanImagesSelection {

// How many images of the group are selected.
int selectedCount(const ScanImagesGroupItem& group);
// 1 every image selected, 0 none, -1 some (an empty group counts as none).
int stateOf(const ScanImagesGroupItem& group);
// Sets the group's value from its images and returns it.
int recount(ScanImagesGroupItem& group);
void recount(const ScanImagesGroupList& groups);
// Selects or clears every image of the group and sets its value to match.
void setAll(ScanImagesGroupItem& group, bool selected);

struct Totals {
    qint64 totalCount = 0;
    qint64 totalSize = 0;
    qint64 selectedCount = 0;
    qint64 selectedSize = 0;
};
Totals totals(const ScanImagesGroupList& groups);

}  // namespace ScanImagesSelection
