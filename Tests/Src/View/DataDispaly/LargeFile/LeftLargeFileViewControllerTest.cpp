// The large-file left panel over real scans: its first state, the three
// groupings, the All and Selected views, the rules for choosing a row, the
// size column and the pop-up's title.

#include "LargeFilePanelSupport.h"

#include "Foundation/Bundle.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTProgress.h"
#include "QVLibrary/RYTableView.h"
#include "View/DataDispaly/LeftData/LeftDataTableCellView.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/Extension/KPLExtension.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLocale>
#include <QSplitter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class LeftLargeFileViewControllerTest : public LargeFilePanelTest {
protected:
    void SetUp() override
    {
        LargeFilePanelTest::SetUp();
        auto* split = new QSplitter(window.get());
        left = new LeftLargeFileViewController(split);
        right = new RightLargeFileDataViewController(split);
        split->addWidget(left);
        split->addWidget(right);
        window->setCentralWidget(split);
        screen.table = right;
        left->setDelegate(&screen);
        right->setDelegate(&screen);
        right->setCheckBoxDelegate(&screen);
        window->show();
    }

    void TearDown() override
    {
        left->setDelegate(nullptr);
        right->setDelegate(nullptr);
        right->setCheckBoxDelegate(nullptr);
        LargeFilePanelTest::TearDown();
    }

    // As the scan screen fills the panel at the end of a scan: its closure
    // shows the chosen group and selects row 0, once per age and kind pass.
    void loadAsAfterAScan()
    {
        completions = 0;
        left->setIsEnabledSelect(false);
        left->clearDataArray();
        left->setDataArray([this] {
            ++completions;
            screen.displayRightDataView();
            left->tableView()->selectRow(0);
            left->setIsEnabledSelect(true);
        });
        settle();
        ASSERT_EQ(completions, 2);
    }
    void settle()
    {
        ASSERT_TRUE(waitUntil([this] { return left->reloadsInFlight() == 0 && right->sortsInFlight() == 0; }));
        QCoreApplication::processEvents();
    }

    LeftDataTableCellView* cellAt(int row)
    {
        return static_cast<LeftDataTableCellView*>(
            left->cellDelegate()->cellForIndex(left->tableView()->model()->index(row, 0)));
    }
    QString sizeText(int row) { return cellAt(row)->filesCountLabel()->text(); }
    double alpha(int row) { return cellAt(row)->property(CellViewDelegate::alphaProperty).toDouble(); }
    double bar(int row) { return cellAt(row)->progressView()->progressValue(); }
    QStringList titles()
    {
        QStringList list;
        for (int row = 0; row < left->rowCount(); ++row) {
            list << cellAt(row)->fileTypeLabel()->text();
        }
        return list;
    }
    void clickRow(int row)
    {
        RYTableView* table = left->tableView();
        const QRect rect = table->visualRect(table->model()->index(row, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
        settle();
    }
    void checkFile(const QString& name)
    {
        for (const FileInfoPtr& file : group(0)->infos()) {
            if (file->name() == name) {
                file->setSelected(true);
            }
        }
    }

    LeftLargeFileViewController* left = nullptr;
    RightLargeFileDataViewController* right = nullptr;
    int completions = 0;
};

TEST_F(LeftLargeFileViewControllerTest, AfterAScanFiveSizeRowsShowAllFilesLargestFirst)
{
    writeEveryBand();
    scan();
    loadAsAfterAScan();

    EXPECT_EQ(left->rowCount(), 5);
    EXPECT_EQ(left->functionType(), FunctionType::size);
    EXPECT_FALSE(left->isSelectedView());
    EXPECT_TRUE(left->leftBtn()->isChecked());
    EXPECT_EQ(left->selectedRow(), 0);
    EXPECT_EQ(titles(), (QStringList{"All files", "Over 5GB", "1 GB to 5GB", "500 MB  to 1 GB", "10 MB to 500 MB"}));
    // The engine's own group, put in order of size by the panel.
    EXPECT_EQ(screen.rightLargeDataFiles, group(0));
    const QStringList bySize{"huge.mkv", "big.iso", "medium.mp3", "paper.pdf", "small.jpg"};
    EXPECT_EQ(names(group(0)->infos()), bySize);
    EXPECT_EQ(names(right->shownFiles()), bySize);
    // Each row's bytes and share of the whole; the tool tip is the count.
    EXPECT_EQ(sizeText(0), transformedFileSize(8'650'000'000ULL, true, true));
    EXPECT_DOUBLE_EQ(bar(0), 1.0);
    EXPECT_NEAR(bar(1), 6.0 / 8.65, 1e-9);
    EXPECT_EQ(cellAt(4)->toolTip(), QStringLiteral("2"));
    EXPECT_EQ(alpha(3), 1.0);
}

// Right after a scan the scan screen's closure ends every reload, so a new
// grouping lands on row 0; once "All" was pressed the closure is empty and
// the selected row index is kept (row 2 by size stays row 2 by date).
TEST_F(LeftLargeFileViewControllerTest, GroupingsKeepTheRowIndexOnceAllWasPressed)
{
    writeEveryBand();
    scan();
    loadAsAfterAScan();
    clickRow(2);
    EXPECT_EQ(screen.rightLargeDataFiles, group(2));

    left->sortData(2);
    // At once, before the reload lands: the all-files group.
    EXPECT_EQ(screen.rightLargeDataFiles, group(0));
    settle();
    EXPECT_EQ(left->rowCount(), 6);
    EXPECT_EQ(left->selectedRow(), 0) << "the scan screen's closure selects row 0";

    left->allFileViewAction();
    settle();
    left->sortData(1);
    settle();
    clickRow(2);
    left->sortData(2);
    settle();
    EXPECT_EQ(left->sortPopButton()->title(), localized("By") + localized("Date"));
    EXPECT_EQ(titles(), (QStringList{"All files", "1 Year Ago", "1 Month Ago", "1 Week Ago", "Last Week", "Today"}));
    EXPECT_EQ(left->selectedRow(), 2);

    left->sortData(3);
    settle();
    EXPECT_EQ(titles(), (QStringList{"All files", "Video", "Audio", "Image", "Document", "Others"}));
    EXPECT_EQ(left->selectedRow(), 2);
    EXPECT_EQ(left->functionType(), FunctionType::type);
}

// When a reload lands on a row that is not row 0, the right table shows that
// row's group, not the all-files group it was handed at the grouping change:
// the highlighted row and the table (and check-all) always agree.
TEST_F(LeftLargeFileViewControllerTest, AReloadHandsTheGroupOfTheRowItSelects)
{
    writeEveryBand();
    scan();
    loadAsAfterAScan();
    left->allFileViewAction();
    settle();
    clickRow(2);

    left->sortData(2);
    settle();
    ASSERT_EQ(left->selectedRow(), 2);
    EXPECT_EQ(screen.rightLargeDataFiles, group(6));
    EXPECT_EQ(names(right->shownFiles()), QStringList{"big.iso"});

    // In the "Selected" view the same holds for the selected-only rows.
    checkFile(QStringLiteral("medium.mp3"));
    left->selectFileViewAction();
    settle();
    clickRow(3);
    left->sortData(2);
    settle();
    ASSERT_EQ(left->selectedRow(), 3);
    EXPECT_EQ(screen.rightLargeDataFiles, left->selectedRows(FunctionType::date)[3]->files());
    EXPECT_EQ(names(right->shownFiles()), QStringList{"medium.mp3"});
}

TEST_F(LeftLargeFileViewControllerTest, EmptyGroupsStayOutOfAllButShowInSelected)
{
    sparseFile("only.mkv", 20'000'000, 3 * 86400);
    scan();
    loadAsAfterAScan();
    ASSERT_EQ(screen.rightLargeDataFiles, group(0));
    EXPECT_DOUBLE_EQ(alpha(1), 0.4);
    EXPECT_EQ(cellAt(1)->toolTip(), QStringLiteral("0"));
    EXPECT_EQ(bar(1), 0.0);

    // "All": an empty group leaves the right table as it was.
    clickRow(1);
    EXPECT_EQ(screen.rightLargeDataFiles, group(0));
    EXPECT_EQ(names(right->shownFiles()), QStringList{"only.mkv"});

    // "Selected": the same row shows its (empty) group.
    left->selectFileViewAction();
    settle();
    clickRow(1);
    EXPECT_EQ(screen.rightLargeDataFiles, left->selectedRows(FunctionType::size)[1]->files());
    EXPECT_TRUE(right->shownFiles().isEmpty());
    EXPECT_EQ(screen.lastSelectType, SelectType::typeOn) << "an empty group reports on";
}

TEST_F(LeftLargeFileViewControllerTest, SelectedWithNothingCheckedIsAllEmptyAndFollowsChecks)
{
    writeEveryBand();
    scan();
    loadAsAfterAScan();
    QTest::mouseClick(left->rightBtnLabel(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(left->isSelectedView());
    EXPECT_TRUE(left->rightBtn()->isChecked());
    EXPECT_FALSE(left->leftBtn()->isChecked());
    EXPECT_TRUE(screen.calls.contains(QStringLiteral("viewSelected 1")));
    EXPECT_TRUE(left->isNotData()) << "the selected-only all-files row was empty";
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(sizeText(row), transformedFileSize(0, true, true)) << row;
        EXPECT_DOUBLE_EQ(alpha(row), 0.4) << row;
        EXPECT_EQ(bar(row), 0.0) << row;
    }

    // A check shows at the next draw, before any rebuild; the rows' own
    // lists change only at the next filtering.
    checkFile(QStringLiteral("small.jpg"));
    EXPECT_EQ(sizeText(4), transformedFileSize(20'000'000, true, true));
    EXPECT_EQ(sizeText(0), transformedFileSize(20'000'000, true, true));
    EXPECT_DOUBLE_EQ(alpha(4), 1.0);
    EXPECT_DOUBLE_EQ(bar(4), 1.0);
    EXPECT_TRUE(left->selectedRows(FunctionType::size)[4]->files()->infos().isEmpty());

    // The caption of "All" is its button too.
    QTest::mouseClick(left->leftBtnLabel(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(left->isSelectedView());
    EXPECT_EQ(sizeText(0), transformedFileSize(8'650'000'000ULL, true, true));
}

TEST_F(LeftLargeFileViewControllerTest, TheSizeColumnOnlyWidens)
{
    sparseFile("a.bin", 123'456'789, 100);
    scan();
    loadAsAfterAScan();
    const QFontMetricsF metrics([] {
        QFont font;
        font.setPixelSize(12);
        return font;
    }());
    const double measured =
        metrics.boundingRect(QRectF(0, 0, 9999, 30), Qt::AlignLeft | Qt::AlignTop, transformedFileSize(123'456'789, true, true))
            .width();
    const double expected = measured > 50.0 ? measured + 5 : 50.0;
    EXPECT_DOUBLE_EQ(left->filesCountStringWidth(), expected);
    EXPECT_EQ(cellAt(0)->filesCountLabel()->width(), qRound(expected));

    QFile::remove(QFile::decodeName(QFile::encodeName(scratch()) + "/a.bin"));
    sparseFile("b.bin", 10'000'000, 100);
    scan();
    loadAsAfterAScan();
    EXPECT_DOUBLE_EQ(left->filesCountStringWidth(), expected) << "a narrower text never narrows the column";
}

// A band title that does not fit beside the size ends in "…" instead of
// being cut off mid-letter, and shows whole again once there is room.
TEST_F(LeftLargeFileViewControllerTest, ATitleTooLongForItsRowEndsInAnEllipsis)
{
    writeEveryBand();
    scan();
    left->setFixedWidth(220);
    loadAsAfterAScan();
    const QStringList full{"All files", "Over 5GB", "1 GB to 5GB", "500 MB  to 1 GB", "10 MB to 500 MB"};
    const QStringList narrow = titles();
    ASSERT_EQ(narrow.size(), full.size());
    for (int row = 0; row < full.size(); ++row) {
        if (narrow[row] != full[row]) {
            EXPECT_TRUE(narrow[row].endsWith(QChar(0x2026))) << narrow[row].toStdString();
            EXPECT_TRUE(full[row].startsWith(narrow[row].chopped(1))) << narrow[row].toStdString();
        }
    }
    EXPECT_NE(narrow[3], full[3]);

    left->setFixedWidth(400);
    QCoreApplication::processEvents();
    EXPECT_EQ(titles(), full);
}

TEST_F(LeftLargeFileViewControllerTest, JapaneseNamesTheKindFirstOnlyInTheFirstTitle)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* panel = new LeftLargeFileViewController(window.get());
    QLocale::setDefault(saved);
    EXPECT_EQ(panel->sortPopButton()->title(), localized("Size") + localized("By"));
    panel->sortData(1);
    EXPECT_EQ(panel->sortPopButton()->title(), localized("By") + localized("Size"));
    delete panel;
    EXPECT_EQ(left->sortPopButton()->title(), localized("By") + localized("Size"));
}

// Reloads of a list while it is drawn, sorted and checked: no list is
// sorted by two threads or read while it is sorted (run under the thread
// sanitizer).
TEST_F(LeftLargeFileViewControllerTest, ReloadsOverManyFilesWhileDrawing)
{
    for (int i = 0; i < 10'000; ++i) {
        sparseFile(QByteArray("many/f") + QByteArray::number(i) + (i % 3 == 0 ? ".mp4" : ".pdf"),
                   10'000'000 + uint64_t((i * 7919) % 10'000) * 1000, int64_t(i) * 600);
    }
    scan();
    ASSERT_EQ(group(0)->fileCount(), 10'000);
    loadAsAfterAScan();
    for (int round = 0; round < 3; ++round) {
        left->sortData(2);
        left->selectFileViewAction();
        group(0)->infos().at(round)->setSelected(true);
        left->allFileViewAction();
        left->sortData(3);
        left->tableView()->viewport()->repaint();
        left->sortData(1);
    }
    settle();
    const QList<FileInfoPtr>& all = group(0)->infos();
    EXPECT_TRUE(std::is_sorted(all.cbegin(), all.cend(),
                               [](const FileInfoPtr& a, const FileInfoPtr& b) { return a->size() > b->size(); }));
    EXPECT_EQ(all.size(), 10'000);
}

}  // namespace
