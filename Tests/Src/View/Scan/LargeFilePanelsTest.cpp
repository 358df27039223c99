// The large-file panels as the scan screen uses them: the groups on the
// left, the table of a group with its ticks and its orders, the scanning
// panel's clock and ring.

#include "TestSupport.h"

#include "Manager/LargeFilesManager.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/DataDispaly/LeftData/LeftDataViewDelegate.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/LeftScanning/ScanningLargeFileViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewDelegate.h"

#include <QFile>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>

namespace {

struct Recorder : public RightDataPreviewViewDelegate, public RightLargeFileViewDelegate, public LeftDataViewDelegate {
    void updateRightDataBox(bool notData) override { boxes << notData; }
    void updateSelectCountSizeLabel() override {}
    void leftDataViewCtrReloadData(bool) override {}
    void updateCountLable(bool isCheck) override { counts << isCheck; }
    void updateSelectedState(SelectType type) override { states << type; }
    void leftDataViewUpdateViewSelected(bool) override {}
    void leftDataViewShowFiles(const DuplicateFilesList&) override {}
    void setRightLargeDataFiles(const DuplicateFilesPtr& files) override { chosen = files; }
    void displayRightDataView() override { ++shows; }

    QList<bool> boxes;
    QList<bool> counts;
    QList<SelectType> states;
    DuplicateFilesPtr chosen;
    int shows = 0;
};

FileInfoPtr file(const QString& path, uint64_t size)
{
    auto info = std::make_shared<FileInfo>(ResourceValueURL(path.toUtf8(), ResourceValues()));
    info->setSize(size);
    return info;
}

DuplicateFilesPtr group(QList<FileInfoPtr> files)
{
    auto made = std::make_shared<DuplicateFiles>();
    uint64_t total = 0;
    for (const FileInfoPtr& f : files) {
        total += f->size();
    }
    made->setInfos(std::move(files));
    made->setTotalSize(total);
    return made;
}

QStringList names(const QList<FileInfoPtr>& files)
{
    QStringList out;
    for (const FileInfoPtr& f : files) {
        out << f->name();
    }
    return out;
}

class LargeFilePanelsTest : public TempHomeTest {};

}  // namespace

TEST_F(LargeFilePanelsTest, TheTableShowsAGroupInTheOrderAskedAndReportsEveryTick)
{
    RightLargeFileDataViewController table;
    Recorder recorder;
    table.setDelegate(&recorder);
    table.setCheckBoxDelegate(&recorder);

    table.setData(nullptr, SortType::defaultSort);
    EXPECT_EQ(recorder.boxes, QList<bool>{true});
    EXPECT_TRUE(table.shownFiles().isEmpty());

    const DuplicateFilesPtr shown = group({file(QStringLiteral("/x/Beta.iso"), 30), file(QStringLiteral("/x/alpha.mkv"), 50),
                                           file(QStringLiteral("/x/gamma.zip"), 10)});
    table.setData(shown, SortType::defaultSort);
    EXPECT_EQ(recorder.boxes.last(), false);
    EXPECT_EQ(names(table.shownFiles()),
              (QStringList{QStringLiteral("alpha.mkv"), QStringLiteral("Beta.iso"), QStringLiteral("gamma.zip")}));
    EXPECT_EQ(recorder.states.last(), SelectType::typeOff);

    table.sortFilesOfName(true, true);
    EXPECT_EQ(names(table.shownFiles()),
              (QStringList{QStringLiteral("alpha.mkv"), QStringLiteral("Beta.iso"), QStringLiteral("gamma.zip")}));
    table.sortFilesOfName(true, false);
    EXPECT_EQ(names(table.shownFiles()).first(), QStringLiteral("gamma.zip"));
    table.sortFilesOfSize(true, true);
    EXPECT_EQ(names(table.shownFiles()).first(), QStringLiteral("gamma.zip"));
    table.sortFilesOfSize(false, true);
    EXPECT_EQ(names(table.shownFiles()).first(), QStringLiteral("alpha.mkv"));

    // Ticks are the files' own selection and are reported.
    recorder.counts.clear();
    table.checkBoxClick(0);
    EXPECT_TRUE(table.shownFiles().first()->selected());
    EXPECT_EQ(recorder.counts, QList<bool>{true});
    EXPECT_EQ(recorder.states.last(), SelectType::typeMix);
    table.checkBoxClick(1);
    table.checkBoxClick(2);
    EXPECT_EQ(recorder.states.last(), SelectType::typeOn);
    table.checkBoxClick(2);
    EXPECT_EQ(recorder.states.last(), SelectType::typeMix);
    // Disabled ticks take no clicks.
    table.setCheckIsEnabled(false);
    table.checkBoxClick(0);
    EXPECT_TRUE(table.shownFiles().first()->selected());
}

TEST_F(LargeFilePanelsTest, AManyFileGroupIsSortedOffTheMainThreadAndTheLastRequestWins)
{
    RightLargeFileDataViewController table;
    QList<FileInfoPtr> files;
    for (int i = 0; i < 20000; ++i) {
        files << file(QStringLiteral("/big/file%1.bin").arg(i, 5, 10, QLatin1Char('0')), uint64_t(i % 977) * 1000);
    }
    const DuplicateFilesPtr many = group(files);
    table.setData(many, SortType::nameDown);
    table.sortFilesOfSize(true, true);
    EXPECT_GT(table.sortsInFlight(), 0);
    ASSERT_TRUE(waitUntil([&] { return table.sortsInFlight() == 0; }));
    ASSERT_EQ(table.shownFiles().size(), 20000);
    EXPECT_EQ(table.shownFiles().first()->size(), 0u);
    EXPECT_EQ(table.shownFiles().last()->size(), 976000u);
    EXPECT_EQ(table.sortType(), SortType::sizeUp);
}

TEST_F(LargeFilePanelsTest, TheLeftPanelListsTheSizeBandsAndHandsOverTheChosenGroup)
{
    for (const auto& [name, size] : {std::pair{"huge.iso", 6'000'000'000LL}, std::pair{"film.mkv", 20'000'000LL}}) {
        QFile made(writeFile(QStringLiteral("large/") + QLatin1String(name), QByteArray()));
        ASSERT_TRUE(made.open(QIODevice::ReadWrite));
        ASSERT_TRUE(made.resize(size));
    }
    LargeFilesManager& engine = LargeFilesManager::default_();
    engine.setDelegate(nullptr);
    engine.setFolderList({QFile::encodeName(scratch() + QStringLiteral("/large"))});
    engine.scanLargeFile();

    LeftLargeFileViewController left;
    Recorder recorder;
    left.setDelegate(&recorder);
    bool built = false;
    left.setDataArray([&] { built = true; });
    EXPECT_FALSE(built);
    ASSERT_TRUE(waitUntil([&] { return built; }));
    const DuplicateFilesList all = engine.allFiles();
    ASSERT_EQ(left.rowCount(), 5);
    const auto* model = static_cast<const QStandardItemModel*>(left.tableView()->model());
    EXPECT_EQ(model->item(1, 0)->text(), QStringLiteral("Over 5GB"));
    EXPECT_EQ(model->item(3, 0)->text(), QStringLiteral("500 MB  to 1 GB"));
    left.tableView()->selectRow(1);
    EXPECT_EQ(recorder.chosen, all.at(LargeFilesManager::size5GB));
    EXPECT_EQ(recorder.chosen->fileCount(), 1);
    EXPECT_EQ(recorder.shows, 1);
}

TEST_F(LargeFilePanelsTest, TheScanningPanelsClockAndRing)
{
    ScanningLargeFileViewController panel;
    panel.startTimer();
    panel.myTimer()->stop();
    EXPECT_EQ(panel.timeLabel()->text(), QStringLiteral("00:00"));
    panel.setTimeSeconds(3699.9);
    panel.timeListener();
    EXPECT_EQ(panel.timeLabel()->text(), QStringLiteral("61:40"));
    panel.setProgressValue(0.4);
    panel.setProgressValue(0.2);
    EXPECT_DOUBLE_EQ(panel.progressValue(), 0.2);
    EXPECT_DOUBLE_EQ(panel.circularProgress()->progress(), 0.4);
}
