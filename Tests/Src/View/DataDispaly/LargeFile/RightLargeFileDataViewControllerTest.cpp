// The large-file table over real scans: the check-all states it reports,
// its stable orders on the shared group, the detail pane (icon or preview,
// dates read by the byte path) and the pinned divider.

#include "LargeFilePanelSupport.h"

#include "QVLibrary/RYTableView.h"
#include "QuickLook/MediaPlayerView.h"
#include "View/DataDispaly/ElidedLabel.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/LargeFileDates.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileTableCellView.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileTableModel.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/FilePreviewView.h"
#include "View/Extension/KPLExtension.h"

#include <QFile>
#include <QLabel>
#include <QApplication>
#include <QScrollBar>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

class RightLargeFileDataViewControllerTest : public LargeFilePanelTest {
protected:
    void SetUp() override
    {
        LargeFilePanelTest::SetUp();
        table = new RightLargeFileDataViewController(window.get());
        window->setCentralWidget(table);
        table->setDelegate(&screen);
        table->setCheckBoxDelegate(&screen);
        window->show();
    }
    void TearDown() override
    {
        table->setDelegate(nullptr);
        table->setCheckBoxDelegate(nullptr);
        QLocale::setDefault(QLocale::c());
        LargeFilePanelTest::TearDown();
    }

    void show(const DuplicateFilesPtr& files, SortType type = SortType::defaultSort)
    {
        table->setData(files, type);
        settle();
    }
    void settle()
    {
        ASSERT_TRUE(waitUntil([this] { return table->sortsInFlight() == 0 && table->datesInFlight() == 0; }));
    }
    QRect rowRect(int row) { return table->mainTableView()->visualRect(table->tableModel()->index(row, 0)); }
    void clickBox(int row)
    {
        QTest::mouseClick(table->mainTableView()->viewport(), Qt::LeftButton, {},
                          RightLargeFileTableCellView::checkBoxRect(rowRect(row)).center());
    }
    void selectRow(int row)
    {
        QTest::mouseClick(table->mainTableView()->viewport(), Qt::LeftButton, {},
                          RightLargeFileTableCellView::nameRect(rowRect(row)).center());
        settle();
    }
    FileInfoPtr named(const QString& name) const
    {
        for (const FileInfoPtr& file : group(0)->infos()) {
            if (file->name() == name) {
                return file;
            }
        }
        return nullptr;
    }
    // The group's list put in the order of these names.
    void order(const QStringList& list)
    {
        QList<FileInfoPtr> files;
        for (const QString& name : list) {
            files << named(name);
        }
        group(0)->setInfos(files);
    }

    RightLargeFileDataViewController* table = nullptr;
};

TEST_F(RightLargeFileDataViewControllerTest, TicksReportTheCheckAllStateOfTheGroup)
{
    sparseFile("one.bin", 11'000'000);
    sparseFile("two.bin", 12'000'000);
    sparseFile("three.bin", 13'000'000);
    scan();
    show(group(0), SortType::sizeUp);
    EXPECT_EQ(screen.notData, false);
    EXPECT_EQ(screen.lastSelectType, SelectType::typeOff);

    clickBox(0);
    EXPECT_TRUE(table->shownFiles().at(0)->selected());
    EXPECT_EQ(group(0)->selectState(), ControlState::on);
    EXPECT_EQ(screen.lastSelectType, SelectType::typeMix);
    EXPECT_EQ(screen.countUpdates, 1);
    clickBox(1);
    clickBox(2);
    EXPECT_EQ(screen.lastSelectType, SelectType::typeOn) << "the last unchecked file turns mixed into on";
    clickBox(2);
    EXPECT_FALSE(table->shownFiles().at(2)->selected());
    EXPECT_EQ(screen.lastSelectType, SelectType::typeMix);
    // The box takes its click: the row's selection does not move.
    EXPECT_TRUE(table->mainTableView()->selectionModel()->selectedRows().isEmpty());

    // Disabled boxes take no click.
    table->setCheckIsEnabled(false);
    clickBox(2);
    EXPECT_FALSE(table->shownFiles().at(2)->selected());

    // An empty group is all on; none keeps the group and asks for the
    // screen's empty state.
    show(std::make_shared<DuplicateFiles>());
    EXPECT_EQ(screen.lastSelectType, SelectType::typeOn);
    EXPECT_TRUE(table->shownFiles().isEmpty());
    const DuplicateFilesPtr before = table->files();
    table->setData(nullptr, SortType::defaultSort);
    EXPECT_EQ(screen.notData, true);
    EXPECT_EQ(table->files(), before);
}

TEST_F(RightLargeFileDataViewControllerTest, OrdersAreStableAndReorderTheSharedGroup)
{
    sparseFile("a.mp4", 30'000'000);
    sparseFile("bb.mp4", 20'000'000);
    sparseFile("c.mp4", 30'000'000);
    scan();
    const DuplicateFilesPtr shared = group(0);
    const QStringList start{"a.mp4", "bb.mp4", "c.mp4"};

    order(start);
    show(shared, SortType::nameUp);
    EXPECT_EQ(names(table->shownFiles()), (QStringList{"a.mp4", "c.mp4", "bb.mp4"}));
    EXPECT_EQ(names(shared->infos()), (QStringList{"a.mp4", "c.mp4", "bb.mp4"})) << "every holder sees the order";

    order(start);
    show(shared, SortType::nameDown);
    EXPECT_EQ(names(table->shownFiles()), (QStringList{"bb.mp4", "a.mp4", "c.mp4"}));

    order(start);
    show(shared, SortType::sizeUp);
    EXPECT_EQ(names(table->shownFiles()), (QStringList{"bb.mp4", "a.mp4", "c.mp4"}));

    order(start);
    show(shared, SortType::sizeDown);
    EXPECT_EQ(names(table->shownFiles()), (QStringList{"a.mp4", "c.mp4", "bb.mp4"}));

    // The sort buttons: an active name button clicked again returns to
    // size, largest first.
    order({"bb.mp4", "c.mp4", "a.mp4"});
    show(shared);
    table->sortFilesOfName(true, true);
    settle();
    EXPECT_EQ(names(table->shownFiles()), (QStringList{"c.mp4", "a.mp4", "bb.mp4"}));
    table->sortFilesOfName(false, true);
    settle();
    EXPECT_EQ(names(table->shownFiles()), (QStringList{"c.mp4", "a.mp4", "bb.mp4"}));
    table->sortFilesOfSize(true, true);
    settle();
    EXPECT_EQ(names(table->shownFiles()), (QStringList{"bb.mp4", "c.mp4", "a.mp4"}));
    table->sortFilesOfSize(false, true);
    settle();
    EXPECT_EQ(table->sortType(), SortType::sizeDown);

    // The name key counts what a reader sees as one character.
    EXPECT_EQ(RightLargeFileDataViewController::nameLength(QStringLiteral("e\u0301.mp4")), 5);
    EXPECT_EQ(RightLargeFileDataViewController::nameLength(QStringLiteral("\U0001F1EB\U0001F1F7.mp4")), 5);
    EXPECT_EQ(RightLargeFileDataViewController::nameLength(QStringLiteral("ab.mov")), 6);
}

TEST_F(RightLargeFileDataViewControllerTest, APictureShowsItsIconAnythingElseThePreview)
{
    sparseFile("photo.jpg", 40'000'000);
    sparseFile("paper.pdf", 30'000'000);
    scan();
    show(group(0), SortType::sizeDown);
    selectRow(0);
    EXPECT_EQ(table->fileName()->text(), QStringLiteral("photo.jpg"));
    EXPECT_EQ(table->fileInfo()->text(), QStringLiteral("jpg - ") + transformedFileSize(40'000'000, true, true));
    EXPECT_TRUE(table->iconImage()->isVisible());
    EXPECT_FALSE(table->filePreviewView()->isVisible());

    selectRow(1);
    EXPECT_EQ(table->fileName()->text(), QStringLiteral("paper.pdf"));
    EXPECT_FALSE(table->iconImage()->isVisible());
    EXPECT_TRUE(table->filePreviewView()->isVisible());
    EXPECT_TRUE(table->filePreviewView()->currentURL().endsWith(QStringLiteral("paper.pdf")));

    // A double click only selects: nothing is ticked, opened or reordered.
    QTest::mouseDClick(table->mainTableView()->viewport(), Qt::LeftButton, {},
                       RightLargeFileTableCellView::nameRect(rowRect(0)).center());
    settle();
    EXPECT_EQ(table->detailFile(), table->shownFiles().at(0));
    EXPECT_FALSE(table->shownFiles().at(0)->selected());
    EXPECT_EQ(names(table->shownFiles()), (QStringList{"photo.jpg", "paper.pdf"}));
}

TEST_F(RightLargeFileDataViewControllerTest, AVideoInTheDetailPaneKeepsItsPlayerThroughSortsAndReloads)
{
    // Making a player sets up the media pipeline on the main thread: the
    // table's re-orders and reloads must leave the one shown alone.
    sparseFile("film.mp4", 50'000'000);
    sparseFile("a.bin", 40'000'000);
    sparseFile("song.mp3", 30'000'000);
    scan();
    show(group(0), SortType::sizeDown);
    selectRow(0);
    FilePreviewView* preview = table->filePreviewView();
    ASSERT_TRUE(preview->hasVideoPlayerView());
    const QMediaPlayer* player = preview->videoPlayerView()->player();
    ASSERT_NE(player, nullptr);

    for (const SortType type : {SortType::nameUp, SortType::nameDown, SortType::sizeUp, SortType::sizeDown}) {
        table->setData(group(0), type);
        settle();
        EXPECT_EQ(preview->videoPlayerView()->player(), player);
    }
    table->reloadData();
    show(std::make_shared<DuplicateFiles>());
    show(group(0));
    settle();
    EXPECT_EQ(preview->videoPlayerView()->player(), player);
    EXPECT_FALSE(preview->hasAudioPlayerView()) << "no other file was shown";
    EXPECT_TRUE(preview->currentURL().endsWith(QStringLiteral("film.mp4")));
    EXPECT_EQ(table->fileName()->text(), QStringLiteral("film.mp4"));
}

TEST_F(RightLargeFileDataViewControllerTest, DatesFollowTheLanguageAndAMissingOneStaysEmpty)
{
    const QByteArray path = sparseFile("clip.bin", 20'000'000);
    const QDateTime march(QDate(2024, 3, 7), QTime(14, 5));
    struct timespec times[2];
    times[0].tv_sec = time_t(march.toSecsSinceEpoch());
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
    scan();

    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    show(group(0));
    selectRow(0);
    EXPECT_EQ(table->updateTimeLabel()->text(), QStringLiteral("7 mars, 14h05"));
    // The preview may read the file meanwhile: its access date is now.
    EXPECT_FALSE(table->lastOpenTimeLable()->text().isEmpty());

    QLocale::setDefault(QLocale(QLocale::Swahili, QLocale::Kenya));
    table->setDetailView(table->shownFiles().at(0));
    settle();
    EXPECT_EQ(table->updateTimeLabel()->text(),
              QLocale().toString(march, QStringLiteral("MMM d, yyyy 'at' h:mm AP")));
    EXPECT_EQ(LargeFileDates::pattern(QStringLiteral("zh")), QStringLiteral("yyyy年M月d日 dddd H:mm"));
    EXPECT_EQ(LargeFileDates::pattern(QStringLiteral("de")), QStringLiteral("MMM d, yyyy 'at' h:mm AP"));

    // Many file systems keep no birth time: no date, not 1 January 1970.
    const LargeFileDates dates = LargeFileDates::read(path);
    EXPECT_FALSE(dates.error.has_value());
    EXPECT_EQ(table->creatTimeLable()->text(), LargeFileDates::text(dates.created, QLocale()));
    EXPECT_TRUE(LargeFileDates::text(std::nullopt, QLocale()).isEmpty());
}

// A file gone since the scan: its own name and size show (not the previous
// file's), the dates are emptied and the failure is printed.
TEST_F(RightLargeFileDataViewControllerTest, AFileGoneSinceTheScanStillShowsItsOwnName)
{
    sparseFile("here.bin", 30'000'000);
    const QByteArray gone = sparseFile("gone.bin", 20'000'000);
    scan();
    show(group(0), SortType::sizeDown);
    selectRow(0);
    ASSERT_FALSE(table->updateTimeLabel()->text().isEmpty());

    ASSERT_EQ(::unlink(gone.constData()), 0);
    testing::internal::CaptureStdout();
    selectRow(1);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("Error: "), std::string::npos);
    EXPECT_EQ(table->fileName()->text(), QStringLiteral("gone.bin"));
    EXPECT_EQ(table->fileInfo()->text(), QStringLiteral("bin - ") + transformedFileSize(20'000'000, true, true));
    EXPECT_TRUE(table->creatTimeLable()->text().isEmpty());
    EXPECT_TRUE(table->updateTimeLabel()->text().isEmpty());
    EXPECT_TRUE(table->lastOpenTimeLable()->text().isEmpty());
}

// A name that is not UTF-8 is shown decoded and its dates are read through
// the bytes the system gave.
TEST_F(RightLargeFileDataViewControllerTest, ANameThatIsNotUtf8IsReadByItsBytes)
{
    const QByteArray path = sparseFile("caf\xe9.bin", 25'000'000, 7200);
    scan();
    show(group(0));
    ASSERT_EQ(table->shownFiles().size(), 1);
    EXPECT_EQ(table->shownFiles().at(0)->path(), path);
    testing::internal::CaptureStdout();
    selectRow(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string());
    EXPECT_EQ(table->fileName()->text(), table->shownFiles().at(0)->name());
    EXPECT_FALSE(table->updateTimeLabel()->text().isEmpty());
}

// Two files of one name in different folders are told apart: the row's tool
// tip is the whole path, and the pane shows the folder, cut at the front so
// that the folders nearest the file stay in sight.
TEST_F(RightLargeFileDataViewControllerTest, FilesOfOneNameAreToldApartByTheirFolders)
{
    const QByteArray deep = "photos of the summer holidays by the sea/camera memory card copied twice/";
    sparseFile(deep + "2023 trip/film.iso", 40'000'000);
    sparseFile(deep + "2024 trip/film.iso", 30'000'000);
    scan();
    show(group(0), SortType::sizeDown);
    ASSERT_EQ(names(table->shownFiles()), (QStringList{"film.iso", "film.iso"}));
    QWidget* viewport = table->mainTableView()->viewport();
    for (int row = 0; row < 2; ++row) {
        const FileInfoPtr file = table->shownFiles().at(row);
        const QPoint onName = RightLargeFileTableCellView::nameRect(rowRect(row)).center();
        QHelpEvent help(QEvent::ToolTip, onName, viewport->mapToGlobal(onName));
        QApplication::sendEvent(viewport, &help);
        EXPECT_TRUE(waitUntil([&] { return QToolTip::isVisible() && QToolTip::text() == file->displayPath(); }))
            << row << ": " << QToolTip::text().toStdString();

        selectRow(row);
        const QString folder = file->displayPath().section(QLatin1Char('/'), 0, -2);
        const QString trip = row == 0 ? QStringLiteral("/2023 trip") : QStringLiteral("/2024 trip");
        EXPECT_EQ(table->filePath()->text(), folder);
        EXPECT_EQ(table->filePath()->toolTip(), folder);
        const QString shown = table->filePath()->shownText();
        EXPECT_TRUE(shown.startsWith(QChar(0x2026)) && shown.endsWith(trip)) << shown.toStdString();
        EXPECT_LE(table->filePath()->fontMetrics().horizontalAdvance(shown), table->filePath()->contentsRect().width());
    }
    QToolTip::hideText();
}

TEST_F(RightLargeFileDataViewControllerTest, TheDividerIsPinnedBothWays)
{
    window->resize(1000, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(table->dividerPosition(), 380);
    window->resize(1300, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(table->dividerPosition(), 380);

    table->setLayoutDirection(Qt::RightToLeft);
    QCoreApplication::processEvents();
    EXPECT_EQ(table->dividerPosition(), 308);
    window->resize(1100, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(table->dividerPosition(), 308);
}

}  // namespace

// Where the scroll bar reads as its handle: the longest run of rows darker
// than the lightest part of the bar, as a user sees it on the white table.
std::pair<int, int> darkSpan(QScrollBar* bar)
{
    const QImage image = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int x = image.width() / 2;
    int lightest = 0;
    for (int y = 0; y < image.height(); ++y) {
        lightest = std::max(lightest, qGray(image.pixel(x, y)));
    }
    std::pair<int, int> longest{-1, -2};
    int start = -1;
    for (int y = 0; y <= image.height(); ++y) {
        const bool dark = y < image.height() && qGray(image.pixel(x, y)) < lightest - 12;
        if (dark && start < 0) {
            start = y;
        } else if (!dark && start >= 0) {
            if (y - 1 - start > longest.second - longest.first) {
                longest = {start, y - 1};
            }
            start = -1;
        }
    }
    // In the bar's own coordinates (the grab is in device pixels).
    const double ratio = image.devicePixelRatio();
    return {int(longest.first / ratio), int(longest.second / ratio)};
}

TEST_F(RightLargeFileDataViewControllerTest, TheScrollBarsHandleFollowsTheWheelBothWays)
{
    for (int i = 0; i < 60; ++i) {
        sparseFile("file " + QByteArray::number(i) + ".bin", 11'000'000 + uint64_t(i) * 1000);
    }
    scan();
    window->resize(900, 500);
    show(group(0), SortType::sizeUp);
    QWidget* viewport = table->mainTableView()->viewport();
    QScrollBar* bar = table->mainTableView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the list must scroll";
    // A wheel turns a page at most per event: turn it until the list stops.
    const auto wheel = [&](int notches) {
        for (int turn = 0; turn < 100; ++turn) {
            const int before = bar->value();
            const QPointF at = QRectF(viewport->rect()).center();
            QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &event);
            if (bar->value() == before) {
                return;
            }
        }
    };
    const auto expectHandleNear = [&](bool top, const char* when) {
        const auto [first, last] = darkSpan(bar);
        ASSERT_GE(first, 0) << when << ": no handle to be seen";
        EXPECT_LT(last - first, bar->height() / 2) << when << ": the handle is the smaller part of the bar";
        if (top) {
            EXPECT_LT(first, bar->height() / 4) << when;
        } else {
            EXPECT_GT(last, bar->height() * 3 / 4) << when;
        }
    };
    expectHandleNear(true, "at the top");
    wheel(-3);
    ASSERT_EQ(bar->value(), bar->maximum());
    expectHandleNear(false, "at the end");
    wheel(3);
    ASSERT_EQ(bar->value(), 0);
    expectHandleNear(true, "back at the top");

    // After a sort and a refill with another group the handle is still where
    // the list is.
    wheel(-3);
    table->sortFilesOfSize(true, false);
    settle();
    expectHandleNear(bar->value() < bar->maximum() / 2, "after a sort");
    show(group(1), SortType::sizeUp);
    show(group(0), SortType::sizeUp);
    EXPECT_EQ(bar->value(), 0);
    expectHandleNear(true, "after a refill");
}
