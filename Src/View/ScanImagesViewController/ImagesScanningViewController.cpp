#include "ImagesScanningViewController.h"
#include "ScanImagesContent.h"

#include "ui_ImagesScanningViewController.h"

#include "ImageGridView.h"
#include "DupImageView.h"
#include "ImageThumbnailLoader.h"
#include "ImagesScanningCollectionItem.h"
#include "ScanImagesCellPainting.h"
#include "ScanImagesModels.h"
#include "Foundation/Bundle.h"
#include "Foundation/UserDefaults.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTDarkMode.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"

#include "View/DataDispaly/NotDataRightScanning/NotDataRightScanningViewController.h"

#include <QFile>
#include <QHash>
#include <QLabel>
#include <QMouseEvent>

namespace {

// A number in the digits' font, the rest small and faint.
QString countText(const QString& text, const QString& number)
{
    RYTDarkMode::LightAppearanceScope light;
    return highLightText(text, systemFont(12), ScanImagesCellPainting::lightColor(QStringLiteral("TitleLabelColor"), 0.4),
                         number, shuziFont(14), ScanImagesCellPainting::lightColor(QStringLiteral("TitleLabelColor")))
        .toHtml();
}

// Opens the image under a single click of the live grid; a double click
// opens nothing. Each image counts its own presses (a double click's second
// one too), which tell one from two after the interval: a press on another
// image starts that image's count and leaves this one's alone.
class ScanningGridClicks : public QObject {
public:
    ScanningGridClicks(ImageGridView* grid, QObject* parent)
        : QObject(parent)
        , grid_(grid)
    {
        grid->viewport()->installEventFilter(this);
    }

    int pendingImages() const { return int(clickers_.size()); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) {
            return false;
        }
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            return true;
        }
        const ScanImagesItemPtr item = ImageItemSource::imageOf(grid_->indexAt(mouse->position().toPoint()));
        if (!item) {
            return true;
        }
        DupImageView* clicker = clickers_.value(item.get());
        if (!clicker) {
            clicker = new DupImageView(this);
            const ScanImagesItem* key = item.get();
            const std::weak_ptr<ScanImagesItem> weak = item;
            const QPointer<ScanningGridClicks> self(this);
            const auto done = [self, key, clicker] {
                if (self && self->clickers_.value(key) == clicker) {
                    self->clickers_.remove(key);
                }
                clicker->deleteLater();
            };
            clicker->mouseDownBlock = [weak, done] {
                if (const ScanImagesItemPtr clicked = weak.lock()) {
                    openFileAtPath(clicked->rawPath().isEmpty() ? QFile::encodeName(clicked->imagePath()) : clicked->rawPath());
                }
                done();
            };
            clicker->mouseDoubleDownBlock = done;
            clickers_.insert(key, clicker);
        }
        clicker->mouseDown();
        return true;
    }

private:
    ImageGridView* grid_;
    // Keyed by the image; an entry lives until its presses are decided.
    QHash<const ScanImagesItem*, DupImageView*> clickers_;
};

}  // namespace

ImagesScanningViewController::ImagesScanningViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::ImagesScanningViewController>())
    , model_(new ScanImagesSectionModel(this))
    , item_(new ImagesScanningCollectionItem(this))
{
    ui_->setupUi(this);
    whiteBox(ui_->leftBox);
    whiteBox(ui_->rightBox);
    whiteBox(ui_->bottomBox);
    RYTDarkMode::LightAppearanceScope light;
    const QColor title = ScanImagesCellPainting::lightColor(QStringLiteral("TitleLabelColor"));
    setLabelLook(ui_->scanningTitle, 20, true, title);
    setLabelLook(ui_->estunnatedTimeLabel, 13, false, ScanImagesCellPainting::lightColor(QStringLiteral("LabelColor")));
    setLabelLook(ui_->timeLabel, 13, false, title);
    ui_->timeLabel->setFont(shuziFont(14));
    setLabelLook(ui_->scanningPathLabel, 12, false, ScanImagesCellPainting::lightColor(QStringLiteral("LabelColor")));
    // A path is shown as it is, whatever it holds that looks like markup.
    ui_->scanningPathLabel->setTextFormat(Qt::PlainText);
    setLabelLook(ui_->scanFoundLabel, 13, true, title);
    ui_->scanningItemLabel->setTextFormat(Qt::RichText);
    ui_->scanningItemSizeLabel->setTextFormat(Qt::RichText);
    // The ring lies on the left part's fixed white surface.
    ui_->circularProgress->setOnLightSurface(true);
    ui_->circularProgress->setProgress(0);

    // The clock: 0.1 s ticks, counted, not read off a wall clock.
    myTimer_.setInterval(100);
    myTimer_.setTimerType(Qt::PreciseTimer);
    connect(&myTimer_, &QTimer::timeout, this, &ImagesScanningViewController::timeListener);
    myTimer_.start();
    timeListener();

    ui_->scanningPathLabel->clear();
    ui_->collectionViewContainer->hide();
    animation_ = ViewController::initUseNibName<NotDataRightScanningViewController>();
    animation_->setParent(ui_->rightBox);
    setRightContent(animation_);
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setInteger(8, QStringLiteral("CloseView"));
    // The "ScanImages" counter.
    qint64 count = 1;
    bool report = true;
    if (defaults.boolForKey(QStringLiteral("ScanImages"))) {
        const std::optional<qint64> stored = defaults.value<qint64>(QStringLiteral("ScanImages"));
        report = stored.has_value();
        count = stored.value_or(0) + 1;
    }
    if (report) {
        defaults.setInteger(count, QStringLiteral("ScanImages"));
        asyncGALog(QStringLiteral("Process"), QStringLiteral("Scan"), QString::number(count) + QStringLiteral("_Image"));
    }
    ui_->estunnatedTimeLabel->setText(localized("Elapsed time") + QStringLiteral(":"));
    ui_->scanningTitle->setText(localized("Scanning"));
    ui_->scanFoundLabel->setText(localized("Duplicates Found"));
    setUpCollectionView();
    new ScanningGridClicks(ui_->collectionView, this);
}

ImagesScanningViewController::~ImagesScanningViewController()
{
    ImageThumbnailLoader::shared().forget(this);
}

CircularProgressView* ImagesScanningViewController::circularProgress() const { return ui_->circularProgress; }
QLabel* ImagesScanningViewController::timeLabel() const { return ui_->timeLabel; }
QLabel* ImagesScanningViewController::scanningPathLabel() const { return ui_->scanningPathLabel; }
QLabel* ImagesScanningViewController::scanningItemLabel() const { return ui_->scanningItemLabel; }
QLabel* ImagesScanningViewController::scanningItemSizeLabel() const { return ui_->scanningItemSizeLabel; }
QLabel* ImagesScanningViewController::scanningTitle() const { return ui_->scanningTitle; }
ImageGridView* ImagesScanningViewController::collectionView() const { return ui_->collectionView; }

void ImagesScanningViewController::setRightContent(QWidget* view)
{
    showContentIn(ui_->rightBoxLayout, {animation_.data(), ui_->collectionViewContainer}, view);
    rightShown_ = view;
}

QString ImagesScanningViewController::clockText(double seconds)
{
    return ScanScreenLook::clockText(ScanScreenLook::truncatedSeconds(seconds));
}

void ImagesScanningViewController::timeListener()
{
    timeSeconds_ += 0.1;
    ui_->timeLabel->setText(clockText(timeSeconds_));
}

void ImagesScanningViewController::setUpCollectionView()
{
    ImageGridView* grid = ui_->collectionView;
    grid->setSectioned(true);
    grid->setItemSize(ImagesScanningCollectionItem::itemSize());
    grid->setSectionInset(6);
    grid->setItemDelegate(item_);
    // The live grid lies on the right part's fixed white surface.
    grid->viewport()->setAutoFillBackground(true);
    ScanScreenLook::keepColor(grid->viewport(), QPalette::Base, Qt::white);
    ScanScreenLook::keepScrollBarsLight(grid);
    if (grid->model() != model_) {
        grid->setModel(model_);
    }
    item_->setThumbnailOwner(this);
    const auto cellRect = [grid](const QModelIndex& index) { return grid->visualRect(index); };
    grid->afterPaint = [this, grid, cellRect] {
        ImageThumbnailLoader::shared().setWanted(this, item_->thumbnailRequests().wanted(grid, cellRect));
    };
    connect(&ImageThumbnailLoader::shared(), &ImageThumbnailLoader::thumbnailReady, this,
            [this, grid, cellRect](const QByteArray& key) { item_->thumbnailRequests().landed(grid, key, cellRect); });
}

void ImagesScanningViewController::reloadCollctionView(const ScanImagesGroupList& dupImages)
{
    setRightContent(ui_->collectionViewContainer);
    dupImagesArray_ = dupImages;
    // The grid keeps the place it was scrolled to.
    model_->setGroups(dupImagesArray_);
}

void ImagesScanningViewController::setProgress(double value)
{
    progressValue_ = value;
    if (value >= lastProgressValue_) {
        lastProgressValue_ = value;
        ui_->circularProgress->setProgress(value);
    }
}

void ImagesScanningViewController::setUpLeftScanningView(const QString& scanningPath)
{
    ui_->scanningPathLabel->setText(scanningPath);
    ui_->scanningPathLabel->setToolTip(plainToolTip(scanningPath));
    qint64 count = 0;
    qint64 size = 0;
    for (const ScanImagesGroupItemPtr& group : dupImagesArray_) {
        count += group->dupImageItems().size();
        size += group->groupSize();
    }
    ui_->scanFoundLabel->setText(localized("Duplicates Found"));
    ui_->scanningItemLabel->setText(
        countText(QStringLiteral("%1 %2").arg(count).arg(localized("Items")), QString::number(count)));
    const uint64_t bytes = uint64_t(std::max<qint64>(0, size));
    ui_->scanningItemSizeLabel->setText(countText(transformedFileSize(bytes, true, true), transformedFileSize(bytes, false, false)));
}
