#pragma once

#include <atomic>
#include <cstdint>

#include <QString>

#include "Model/ScanImagesGroupItem.h"

class ScanImagesManager;

// The usage events the home screen and the similar-image screens report
// through one collector: the days between scans of each kind and, when an
// image removal starts, how the user selected and viewed the images. The
// fields are set by the similar-image screens while the user works.
class GACollectionManager {
public:
    static GACollectionManager& default_();

    bool isCollectionView() const { return isCollectionView_; }
    void setIsCollectionView(bool value) { isCollectionView_ = value; }
    int64_t imageHoverCount() const { return imageHoverCount_; }
    void setImageHoverCount(int64_t value) { imageHoverCount_ = value; }
    int64_t imageDoubleClickCount() const { return imageDoubleClickCount_; }
    void setImageDoubleClickCount(int64_t value) { imageDoubleClickCount_ = value; }
    int64_t imageTotalCount() const { return imageTotalCount_; }
    void setImageTotalCount(int64_t value) { imageTotalCount_ = value; }
    int64_t clickSelectViewCount() const { return clickSelectViewCount_; }
    void setClickSelectViewCount(int64_t value) { clickSelectViewCount_ = value; }
    bool isClickAllView() const { return isClickAllView_; }
    void setIsClickAllView(bool value) { isClickAllView_ = value; }
    int64_t sliderValue() const { return sliderValue_; }
    void setSliderValue(int64_t value) { sliderValue_ = value; }

    // Days since the previous scan of each kind ("Process" events).
    void collectionFileIntervalsGA();
    void collectionLargeIntervalsGA();
    void collectionImageIntervalsGA();

    // At the start of an image removal.
    void collctionImageSelectedGA();
    // How many groups have all, all but one, some or none of their images
    // selected.
    void collctionGSelectResult(const ScanImagesGroupList& imageArray);
    void collectionZoomGA();

    // The formats and sizes of a similar-image result. Returns at once; the
    // events are sent from a global queue, from a snapshot of the groups
    // taken here under the engine's lock (the groups may change meanwhile).
    void collectionResultGA(const ScanImagesGroupList& imageArray);
    void collectionResultGA(const ScanImagesGroupList& imageArray, const ScanImagesManager& engine);
    // The same work on the calling thread.
    static void sendResultEvents(const ScanImagesGroupList& imageArray);

    // Whole days from the date stored under `key` ("yyyy/MM/dd") to today,
    // and today stored in its place; 0 when nothing was stored.
    static int64_t daysSinceAndStoreToday(const QString& key);

private:
    GACollectionManager() = default;
    void intervals(const QString& key, const QString& action);

    bool isCollectionView_ = true;
    int64_t imageHoverCount_ = 0;
    int64_t imageDoubleClickCount_ = 0;
    int64_t imageTotalCount_ = 0;
    int64_t clickSelectViewCount_ = 0;
    bool isClickAllView_ = true;
    int64_t sliderValue_ = 4;
};
