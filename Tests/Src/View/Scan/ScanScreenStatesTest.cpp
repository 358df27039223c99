// The scan screen's states as a user meets them: scanning, results, nothing
// found; the codes it leaves for the window-close path; the counters and the
// events that describe a scan.

#include "ScanScreenFixture.h"

#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTableView.h"
#include "View/CustomView/KPLBox.h"
#include "View/CustomView/KPLSwitchButton.h"
#include "View/CustomView/PopUpButton.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/LeftScanning/LeftScanningViewController.h"
#include "View/DataDispaly/LeftScanning/ScanningLargeFileViewController.h"
#include "View/DataDispaly/NotDataFinished/NotDataFinishedViewController.h"
#include "View/DataDispaly/NotDataRightScanning/NotDataRightScanningViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/FolderSetViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "Window/SheetWindowController.h"

#include <QApplication>
#include <QTest>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>

#include <algorithm>

using State = ScanViewController::DisplayViewType;
using ScanScreenLook::viewAlpha;

namespace {

qint64 closeView()
{
    return UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("CloseView"));
}

QVariant storedDefault(const QString& key)
{
    return UserDefaults::standardUserDefaults().objectForKey(key);
}

}  // namespace

TEST_F(ScanScreenTest, DuplicateScanShowsItsControlsWhileScanningThenTheResults)
{
    EngineGate gate(EngineGate::Kind::duplicateScan);
    ScanViewController* s = startScan(duplicateTree(), false);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    QCoreApplication::processEvents();

    // A new screen is switched to scanning by the root view controller.
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeScanning);
    EXPECT_EQ(s->leftBox()->contentView(), s->leftScanningViewCtr());
    EXPECT_EQ(ScanManager::default_().delegate(), static_cast<ScanManagerProtocol*>(s));
    // Nothing found yet: the scanning animation on the right, code 3.
    EXPECT_EQ(s->rightBox()->contentView(), s->notDataRightScanningViewCtr());
    EXPECT_EQ(closeView(), 3);
    EXPECT_EQ(s->startBtn()->title(), QStringLiteral("Stop"));
    EXPECT_TRUE(s->startBtn()->isEnabled());
    for (QWidget* control : {static_cast<QWidget*>(s->backBtn()), static_cast<QWidget*>(s->automaticSelectionBtn()),
                             static_cast<QWidget*>(s->notAtAllBtn())}) {
        EXPECT_FALSE(control->isEnabled());
        EXPECT_DOUBLE_EQ(viewAlpha(control), 0.3);
    }
    EXPECT_FALSE(s->modeSwitchBtn()->isEnabled());
    EXPECT_DOUBLE_EQ(viewAlpha(s->previewModeLabel()), 0.34);
    EXPECT_TRUE(s->popUpButton()->isHidden());
    EXPECT_TRUE(s->selectTitleLabel()->isHidden());
    EXPECT_TRUE(s->selectCountSizeLabel()->isHidden());
    EXPECT_EQ(s->selectCountSizeLabelConstraint(), 0.0);

    gate.open();
    ASSERT_TRUE(waitForResults());
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeScanFinished);
    EXPECT_EQ(closeView(), 4);
    EXPECT_EQ(s->contentBox()->contentView(), s->scanDataView());
    EXPECT_EQ(s->leftBox()->contentView(), s->leftDataViewCtr());
    EXPECT_EQ(s->rightDataBox()->contentView(), s->rightDataPrevieViewCtr());
    EXPECT_TRUE(s->previewModel());
    EXPECT_EQ(s->startBtn()->title(), QStringLiteral("Remove"));
    // Nothing is selected yet: Remove waits for a selection.
    EXPECT_FALSE(s->startBtn()->isEnabled());
    EXPECT_DOUBLE_EQ(viewAlpha(s->startBtn()), 0.3);
    EXPECT_TRUE(s->backBtn()->isEnabled());
    EXPECT_DOUBLE_EQ(viewAlpha(s->backBtn()), 1.0);
    EXPECT_FALSE(s->popUpButton()->isHidden());
    EXPECT_EQ(s->selectTitleLabel()->text(), QStringLiteral("Selected:"));
    EXPECT_EQ(s->selectCountSizeLabel()->text(), QStringLiteral("0 (0B)"));
    EXPECT_EQ(ScanScreenLook::textColor(s->selectCountSizeLabel()),
              ScanScreenLook::surfaceColor(QStringLiteral("ButtonTitleNormalBlueColor")));
    // The left panel chose its first category, which fills the right side.
    EXPECT_EQ(s->leftDataViewCtr()->selectedRow(), 0);
    EXPECT_EQ(s->rightDataFilesArray().size(), ScanManager::default_().totalFiles().size());
    EXPECT_TRUE(s->leftDataViewCtr()->isEnabledSelect());
}

// What lies on the screens' light surfaces keeps its light look in the dark
// appearance, so it looks the same whichever appearance the screen was made
// in when the desktop switches.
TEST_F(ScanScreenTest, TheResultScreensKeepTheLightLookOfTheirLightSurfacesInTheDarkAppearance)
{
    RYTDarkMode::setForcedAppearance(1);
    QApplication::setPalette(QPalette(QColor(40, 42, 46)));
    ScanViewController* s = scanToResults(duplicateTree(), false);
    const std::vector<QAbstractScrollArea*> lists = {s->rightDataPrevieViewCtr()->mainTableView(),
                                                     s->rightDataPrevieViewCtr()->subTableView(),
                                                     s->rightDataListViewCtr()->outlineView()};
    for (QAbstractScrollArea* list : lists) {
        EXPECT_GT(list->verticalScrollBar()->palette().color(QPalette::Window).lightness(), 200);
        EXPECT_GT(list->verticalScrollBar()->palette().color(QPalette::Button).lightness(), 200);
    }
    const QColor blue = RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalColor"), false);
    EXPECT_EQ(s->startBtn()->borderColor(RYTButton::State::normal), blue);
    root()->scanViewBackAction();
    writeFile(QStringLiteral("none/only.txt"), "one of a kind");
    s = scanToResults(scratch() + QStringLiteral("/none"), false);
    EXPECT_EQ(s->notDataFinishedViewCtr()->finishedBtn()->fillColor(RYTButton::State::normal), blue);
    QApplication::setPalette(QApplication::style()->standardPalette());
    RYTDarkMode::setForcedAppearance(-1);
}

// What a view paints by itself, on nothing.
QImage paintedAlone(QWidget* view)
{
    QImage image(view->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST_F(ScanScreenTest, TheSelectionButtonsCastAShadowAndTheNothingSelectedPanelIsRounded)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    for (RYTButton* button : {s->automaticSelectionBtn(), s->notAtAllBtn()}) {
        const QImage image = paintedAlone(button);
        const int x = image.width() / 2;
        int bottom = -1;  // the button's own lowest opaque row
        for (int y = 0; y < image.height(); ++y) {
            bottom = image.pixelColor(x, y).alpha() == 255 ? y : bottom;
        }
        ASSERT_GE(bottom, 0) << qPrintable(button->title());
        // Below its edge, a faint dark shade.
        bool shaded = false;
        for (int y = bottom + 1; y < image.height(); ++y) {
            const QColor shade = image.pixelColor(x, y);
            shaded = shaded || (shade.alpha() > 0 && shade.alpha() < 128 && shade.lightness() < 60);
        }
        EXPECT_TRUE(shaded) << qPrintable(button->title());
        // The button itself stays 116 by 28 points.
        int left = image.width();
        int right = -1;
        for (int at = 0; at < image.width(); ++at) {
            if (image.pixelColor(at, image.height() / 2).alpha() > 200) {
                left = std::min(left, at);
                right = at;
            }
        }
        EXPECT_EQ(right - left + 1, 116) << qPrintable(button->title());
    }

    // The left panel's "Selected" button, with nothing selected.
    QTest::mouseClick(s->leftDataViewCtr()->rightBtn(), Qt::LeftButton);
    QWidget* panel = s->rightNotDataSelectView();
    ASSERT_TRUE(waitUntil([&] { return s->rightDataBox()->contentView() == panel && panel->width() > 40; }));
    const QImage image = paintedAlone(panel);
    // White within, its corners rounded by 8 points.
    EXPECT_EQ(image.pixelColor(1, image.height() / 2), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(image.width() / 2, 1), QColor(Qt::white));
    for (const QPoint corner : {QPoint(0, 0), QPoint(image.width() - 1, 0), QPoint(0, image.height() - 1),
                                QPoint(image.width() - 1, image.height() - 1)}) {
        EXPECT_EQ(image.pixelColor(corner).alpha(), 0) << corner.x() << "," << corner.y();
    }
    EXPECT_EQ(image.pixelColor(3, 3), QColor(Qt::white));
}

TEST_F(ScanScreenTest, LargeFileScanShowsItsPanelsAndTheAllFilesGroup)
{
    EngineGate gate(EngineGate::Kind::largeFileScan);
    ScanViewController* s = startScan(largeFileTree(), true);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    EXPECT_TRUE(s->isLargeFileMode());
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeScanning);
    EXPECT_FALSE(s->scanningLargeFileView()->isHidden());
    EXPECT_TRUE(s->dataBoxView()->isHidden());
    EXPECT_EQ(s->scanningLargeFileBox()->contentView(), s->scanningLargeFileViewController());
    EXPECT_TRUE(s->scanningLargeFileViewController()->myTimer()->isActive());
    ASSERT_NE(s->scanThread(), nullptr);
    EXPECT_EQ(s->startBtn()->title(), QStringLiteral("Stop"));

    gate.open();
    ASSERT_TRUE(waitForResults());
    EXPECT_EQ(closeView(), 14);
    EXPECT_EQ(s->scanThread(), nullptr);
    EXPECT_FALSE(s->scanningLargeFileViewController()->myTimer()->isActive());
    EXPECT_TRUE(s->scanningLargeFileView()->isHidden());
    EXPECT_EQ(s->leftBox()->contentView(), s->leftLargeFileViewController());
    LeftLargeFileViewController* left = s->leftLargeFileViewController();
    EXPECT_TRUE(left->isEnabledSelect());
    EXPECT_TRUE(left->tableView()->isEnabled());
    // Row 0, every large file, is on the right, largest first.
    ASSERT_TRUE(waitUntil([&] { return s->rightLargeDataFiles() != nullptr; }));
    EXPECT_EQ(s->rightLargeDataFiles(), LargeFilesManager::default_().allFiles().first());
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    ASSERT_EQ(table->shownFiles().size(), 4);
    EXPECT_EQ(table->shownFiles().first()->name(), QStringLiteral("disk.iso"));
    EXPECT_TRUE(table->checkIsEnabled());
    EXPECT_EQ(s->allSelectLable()->text(), QStringLiteral("Check All"));
    EXPECT_EQ(ScanViewController::sortImageName(s->downSortSizeBtn()), QStringLiteral("sortBtnClickDown"));
    EXPECT_FALSE(s->startBtn()->isEnabled());
}

TEST_F(ScanScreenTest, NothingFoundShowsTheNoResultScreenWhoseButtonGoesHome)
{
    writeFile(QStringLiteral("none/only.txt"), "one of a kind");
    int titleHidden = 0;
    QObject owner;
    NotificationCenter::defaultCenter().addObserver(&owner, didHiddenMainWindowTitleNotification(),
                                                    [&](const Notification&) { ++titleHidden; });
    ScanViewController* s = scanToResults(scratch() + QStringLiteral("/none"), false);
    NotDataFinishedViewController* empty = s->notDataFinishedViewCtr();
    EXPECT_EQ(s->contentBox()->contentView(), empty);
    EXPECT_EQ(closeView(), 4);
    EXPECT_EQ(empty->noDuplicateFilesLabel()->text(),
              QStringLiteral("There are no duplicate files found in the folder or drive you scanned."));
    EXPECT_EQ(empty->wellDoneLabel()->text(), QStringLiteral("Congratulations!"));
    EXPECT_EQ(empty->detailFilesTitleLabel()->text(), QStringLiteral("Scan Duplicates"));
    EXPECT_EQ(empty->detailFilesCountLabel()->text(), QString());
    EXPECT_EQ(empty->detailEstimatedTimeLabel()->text(), QString());
    EXPECT_EQ(empty->finishedBtn()->title(), QStringLiteral("Complete"));

    QPointer<ScanViewController> released(s);
    // The loading overlay covered the panels at the end of the scan.
    QPointer<LoadingViewController> overlay(s->loadingViewCtr());
    titleHidden = 0;
    empty->finishedBtn()->click();
    EXPECT_EQ(root()->mainViewBox()->contentView(), root()->folderSetViewController());
    EXPECT_EQ(titleHidden, 1);
    ASSERT_TRUE(waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return released.isNull();
    }));
    EXPECT_TRUE(overlay.isNull()) << "the screen's loading overlay outlived it";

    // Large-file mode names what it looked for.
    s = scanToResults(scratch() + QStringLiteral("/none"), true);
    EXPECT_EQ(s->contentBox()->contentView(), s->notDataFinishedViewCtr());
    EXPECT_EQ(s->notDataFinishedViewCtr()->noDuplicateFilesLabel()->text(),
              QStringLiteral("The folder or drive you scanned has no files larger than 10M."));
    EXPECT_EQ(s->notDataFinishedViewCtr()->detailFilesTitleLabel()->text(), QStringLiteral("Scan Duplicates"));
    EXPECT_EQ(closeView(), 14);
}

TEST_F(ScanScreenTest, EachScreenCountsItsScansAndLeavesACounterOfAnotherTypeAlone)
{
    const QString tree = duplicateTree();
    recorder->clear();
    scanToResults(tree, false);
    root()->scanViewBackAction();
    scanToResults(tree, false);
    root()->scanViewBackAction();
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Scan")),
              (QStringList{QStringLiteral("1_File"), QStringLiteral("2_File")}));

    scanToResults(tree, true);
    root()->scanViewBackAction();
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Scan")).last(), QStringLiteral("1_large"));

    // A counter stored as text is neither counted nor reported.
    UserDefaults::standardUserDefaults().setObject(QStringLiteral("7"), QStringLiteral("Scan"));
    recorder->clear();
    scanToResults(tree, false);
    EXPECT_EQ(recorder->count(QStringLiteral("Process"), QStringLiteral("Scan")), 0);
    EXPECT_EQ(storedDefault(QStringLiteral("Scan")), QVariant(QStringLiteral("7")));
    // An unsigned counter in the wrong form counts from 0 again.
    root()->scanViewBackAction();
    UserDefaults::standardUserDefaults().setObject(QStringLiteral("many"), QStringLiteral("CompleteScanCount"));
    recorder->clear();
    scanToResults(tree, false);
    ASSERT_EQ(labels(QStringLiteral("Process"), QStringLiteral("CompleteScan")).size(), 1);
    EXPECT_TRUE(labels(QStringLiteral("Process"), QStringLiteral("CompleteScan")).first().startsWith(QStringLiteral("1_a_")));
}

TEST_F(ScanScreenTest, AFinishedScanDescribesItsResults)
{
    recorder->clear();
    ScanViewController* s = scanToResults(duplicateTree(), false);
    const ScanManager::Results r = ScanManager::default_().results();
    ASSERT_EQ(r.totalFiles.size(), 5);
    const QStringList complete = labels(QStringLiteral("Process"), QStringLiteral("CompleteScan"));
    ASSERT_EQ(complete.size(), 1);
    const QString expected = QStringLiteral("1_a_%1_%2_%3_100_File")
                                 .arg(transformedFileSize(r.totalFilesSize, false, true))
                                 .arg(r.totalFilesCount)
                                 .arg(ScanScreenLook::roundedUpSeconds(s->leftScanningViewCtr()->timeSeconds()));
    EXPECT_EQ(complete.first(), expected);
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Scanresultdata")), QStringList{QStringLiteral("1_File")});
    // The video pair holds the most bytes (6000), the pictures the most files.
    EXPECT_EQ(labels(QStringLiteral("Result"), QStringLiteral("TopSize")), QStringList{QStringLiteral("video")});
    EXPECT_EQ(labels(QStringLiteral("Result"), QStringLiteral("TypeNumber")), QStringList{QStringLiteral("3_2_2_2_2")});
    EXPECT_EQ(UserDefaults::standardUserDefaults().value<uint64_t>(QStringLiteral("CompleteScanCount")), 1u);
    EXPECT_DOUBLE_EQ(s->gALogData().manualStopScanProgressValue, 1.0);

    // A scan that finds nothing is complete but has no result events.
    root()->scanViewBackAction();
    writeFile(QStringLiteral("none/only.txt"), "one of a kind");
    recorder->clear();
    scanToResults(scratch() + QStringLiteral("/none"), false);
    EXPECT_EQ(recorder->count(QStringLiteral("Process"), QStringLiteral("CompleteScan")), 1);
    EXPECT_EQ(recorder->count(QStringLiteral("Process"), QStringLiteral("Scanresultdata")), 0);
    EXPECT_EQ(recorder->count(QStringLiteral("Result"), QStringLiteral("TopSize")), 0);
    EXPECT_EQ(recorder->count(QStringLiteral("Result"), QStringLiteral("TypeNumber")), 0);
}

TEST_F(ScanScreenTest, AStoppedScanSaysSoWithTheProgressItHadReached)
{
    EngineGate gate(EngineGate::Kind::duplicateScan);
    ScanViewController* s = startScan(duplicateTree(), false);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    s->leftScanningViewCtr()->myTimer()->stop();
    s->leftScanningViewCtr()->setProgressValue(0.426);
    recorder->clear();
    s->startAction();
    ASSERT_TRUE(waitForSheet(
        QStringLiteral("Only partial duplicates can be found if you stop scanning. Are you sure you want to stop?")));
    answer(QStringLiteral("Yes"));
    // Disabled at once, before the engine has ended.
    EXPECT_FALSE(s->startBtn()->isEnabled());
    EXPECT_DOUBLE_EQ(viewAlpha(s->startBtn()), 0.3);
    EXPECT_TRUE(ScanManager::default_().scanStop());
    gate.open();
    ASSERT_TRUE(waitForResults());
    EXPECT_TRUE(s->gALogData().manualStopScan);
    const QStringList complete = labels(QStringLiteral("Process"), QStringLiteral("CompleteScan"));
    ASSERT_EQ(complete.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^1_b_[^_]+_\\d+_\\d+_43_File$")).match(complete.first()).hasMatch())
        << complete.first().toStdString();
    // Stopped before any file was compared: nothing was found.
    EXPECT_EQ(s->contentBox()->contentView(), s->notDataFinishedViewCtr());
}

TEST_F(ScanScreenTest, TopSizeListsEveryKindThatTies)
{
    ScanViewController::GALogData data;
    ScanManager::default_().updateResults([](ScanManager::Results& r) {
        r = ScanManager::Results();
        r.videoFilesSize = 10;
        r.audioFilesSize = 10;
        r.pictureFilesCount = 1;
        r.videoFilesCount = 2;
        r.audioFilesCount = 3;
        r.documentFilesCount = 4;
        r.otherFilesCount = 5;
    });
    EXPECT_EQ(data.topSizeString(), QStringLiteral("video_audio"));
    EXPECT_EQ(data.typeNumberString(), QStringLiteral("1_2_3_4_5"));
    ScanManager::default_().updateResults([](ScanManager::Results& r) { r = ScanManager::Results(); });
    EXPECT_EQ(data.topSizeString(), QStringLiteral("image_document_video_audio_other"));
    data.manualStopScan = true;
    EXPECT_EQ(data.stopSizeCountString(), QStringLiteral("b_0 B_0"));
}

TEST_F(ScanScreenTest, LargeFileScansCountButSendTheirResultEventOncePerScreen)
{
    recorder->clear();
    ScanViewController* s = scanToResults(largeFileTree(), true);
    EXPECT_EQ(UserDefaults::standardUserDefaults().value<uint64_t>(QStringLiteral("CompleteScanCount")), 1u);
    // The screen sends no duplicate-scan event; the engine's own one is the
    // large-file form.
    const QStringList complete = labels(QStringLiteral("Process"), QStringLiteral("CompleteScan"));
    ASSERT_EQ(complete.size(), 1);
    EXPECT_TRUE(complete.first().endsWith(QStringLiteral("_Large"))) << complete.first().toStdString();
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Scanresultdata")), QStringList{QStringLiteral("1_Large")});
    EXPECT_TRUE(ScanViewController::isGAScanFinished());
    // Results shown again (as after a removal) send nothing more.
    s->displayScanFinishedView();
    ASSERT_TRUE(waitForResults());
    EXPECT_EQ(recorder->count(QStringLiteral("Process"), QStringLiteral("Scanresultdata")), 1);
}

TEST_F(ScanScreenTest, OnlyTheFirstEndOfAScanActs)
{
    // The large-file engine reports the end of a stopped scan twice.
    EngineGate gate(EngineGate::Kind::largeFileScan);
    ScanViewController* s = startScan(largeFileTree(), true);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    s->startAction();
    ASSERT_TRUE(waitForSheet(
        QStringLiteral("Once you stop the scan, only some large files can be found. Are you sure to stop?")));
    answer(QStringLiteral("Yes"));
    EXPECT_TRUE(ScanViewController::isManualStop());
    EXPECT_EQ(s->scanningLargeFileViewController()->scanningTitleLabel()->text(), QStringLiteral("Stop scanning"));
    EXPECT_TRUE(s->scanningLargeFileView()->isHidden());
    gate.open();
    ASSERT_TRUE(waitForResults());
    const auto count = UserDefaults::standardUserDefaults().value<uint64_t>(QStringLiteral("CompleteScanCount"));
    ASSERT_TRUE(waitUntil([] { return LargeFilesManager::default_().allFiles().size() == 16; }));

    // A late report ends no question the user has just opened ...
    s->backAction();
    const QString back = QStringLiteral("The scanning results won't be saved if you go Back.");
    ASSERT_TRUE(waitForSheet(back));
    s->scanFinished();
    QCoreApplication::processEvents();
    EXPECT_EQ(sheetMessage(), back);
    EXPECT_EQ(UserDefaults::standardUserDefaults().value<uint64_t>(QStringLiteral("CompleteScanCount")), count);
    answer(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitForNoSheet());

    // ... and does not bring the results back over a removal under way.
    s->setDisplayViewType(State::displayViewTypeRemoving);
    s->displayRemovingView();
    s->scanFinished();
    QCoreApplication::processEvents();
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeRemoving);
    EXPECT_EQ(s->contentBox()->contentView(), s->fileRemovingViewCtr());
    EXPECT_EQ(UserDefaults::standardUserDefaults().value<uint64_t>(QStringLiteral("CompleteScanCount")), count);
}
