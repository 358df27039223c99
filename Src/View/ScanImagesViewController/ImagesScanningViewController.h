#pragma once

#include <memory>

#include <QPointer>
#include <QTimer>

#include "Model/ScanImagesGroupItem.h"
#include "View/Extension/KPLExtensionView.h"

class CircularProgressView;
class ImageGridView;
class ImagesScanningCollectionItem;
class QFrame;
class QLabel;
class ScanImagesSectionModel;
namespace Ui {
class ImagesScanningViewController;
}

// What the similar-image screen shows while a search runs: on the left the
// title, the ring (which never goes back), the elapsed time and the image in
// hand; on the right the scanning animation until the first group, then a
// live grid of every image found so far, one section per group; at the
// bottom the number and size of the images found. A click on a thumbnail
// opens the image.
class ImagesScanningViewController : public ViewController {
    Q_OBJECT
public:
    explicit ImagesScanningViewController(QWidget* parent = nullptr);
    ~ImagesScanningViewController() override;

    // At every progress report: the path, and the counts of the groups last
    // received.
    void setUpLeftScanningView(const QString& scanningPath);
    void reloadCollctionView(const ScanImagesGroupList& dupImages);
    // A progress report: kept always, shown on the ring only when it does
    // not go back.
    void setProgress(double value);

    double progressValue() const { return progressValue_; }
    void setProgressValue(double value) { progressValue_ = value; }
    double lastProgressValue() const { return lastProgressValue_; }
    void setLastProgressValue(double value) { lastProgressValue_ = value; }
    double timeSeconds() const { return timeSeconds_; }
    QTimer* myTimer() { return &myTimer_; }
    void timeListener();
    // "mm:ss" of whole seconds; minutes go past 59.
    static QString clockText(double seconds);

    ScanImagesGroupList dupImagesArray() const { return dupImagesArray_; }
    CircularProgressView* circularProgress() const;
    QLabel* timeLabel() const;
    QLabel* scanningPathLabel() const;
    QLabel* scanningItemLabel() const;
    QLabel* scanningItemSizeLabel() const;
    QLabel* scanningTitle() const;
    ImageGridView* collectionView() const;
    ScanImagesSectionModel* model() const { return model_; }
    // What the right part shows: the animation or the grid.
    QWidget* rightContent() const { return rightShown_; }
    QWidget* notDataRightScanningView() const { return animation_; }

private:
    void setUpCollectionView();
    void setRightContent(QWidget* view);

    std::unique_ptr<Ui::ImagesScanningViewController> ui_;
    ScanImagesSectionModel* model_;
    ImagesScanningCollectionItem* item_;
    ScanImagesGroupList dupImagesArray_;
    QPointer<QWidget> animation_;
    QWidget* rightShown_ = nullptr;
    QTimer myTimer_;
    double timeSeconds_ = 0;
    double lastProgressValue_ = 0;
    double progressValue_ = 0;
};
