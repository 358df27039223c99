// The left result panel over real scans: its rows, the filter, the
// proposals and their events, the off-thread sort and its reloads.

#include "PanelTestSupport.h"

#include "GA/QVDAEventObserver.h"
#include "Helper.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTImage.h"
#include "QVLibrary/RYTProgress.h"
#include "QVLibrary/RYTableView.h"
#include "View/DataDispaly/LeftData/LeftDataTableCellView.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/RowCountModel.h"
#include "View/Extension/KPLExtension.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class LeftDataViewControllerTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        Helper::setNetworkReachableOverride(true);
        left = new LeftDataViewController(window.get());
        left->setDelegate(&screen);
        window->setCentralWidget(left);
    }

    void TearDown() override
    {
        // Reloads still measuring report to a panel that is gone: nothing.
        left->setDelegate(nullptr);
        Helper::setNetworkReachableOverride(std::nullopt);
        PanelTest::TearDown();
    }

    // setDataArray as the scan screen calls it, waiting for its completion.
    void load()
    {
        bool done = false;
        left->setDataArray([&] { done = true; });
        ASSERT_TRUE(waitUntil([&] { return done; }));
    }
    void reload(bool sort)
    {
        bool done = false;
        left->reloadData(sort, [&] { done = true; });
        ASSERT_TRUE(waitUntil([&] { return done; }));
    }

    QWidget* cellAt(int row) { return left->cellDelegate()->cellForIndex(left->tableModel()->index(row, 0)); }
    QString sizeText(int row) { return static_cast<LeftDataTableCellView*>(cellAt(row))->filesCountLabel()->text(); }
    double alpha(int row) { return cellAt(row)->property(CellViewDelegate::alphaProperty).toDouble(); }
    QList<LeftDataType> order() const
    {
        QList<LeftDataType> types;
        for (const auto& row : left->dataArray()) {
            types << row->dataType();
        }
        return types;
    }
    void clickRow(int row)
    {
        RYTableView* table = left->tableView();
        const QRect rect = table->visualRect(left->tableModel()->index(row, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
    }

    LeftDataViewController* left = nullptr;
};

// Every group a video: "All files" and "Video" are equal and "All files"
// stays first; the empty categories look empty and cannot be chosen.
TEST_F(LeftDataViewControllerTest, EmptyCategoriesAreDimAndCannotBeChosen)
{
    scan({{"v/a.mp4", "video one"}, {"v/b.mp4", "video one"}, {"w/c.mp4", "second video"}, {"w/d.mp4", "second video"}});
    load();
    ASSERT_EQ(left->dataArray().size(), 6u);
    EXPECT_EQ(order().mid(0, 2), (QList<LeftDataType>{LeftDataType::all, LeftDataType::video}));
    EXPECT_EQ(sizeText(0), sizeText(1));
    EXPECT_EQ(left->selectedRow(), 0);
    for (int row = 2; row < 6; ++row) {
        EXPECT_EQ(sizeText(row), transformedFileSize(0, true, true));
        EXPECT_DOUBLE_EQ(alpha(row), 0.4);
        EXPECT_DOUBLE_EQ(static_cast<LeftDataTableCellView*>(cellAt(row))->progressView()->progressValue(), 0.0);
    }
    EXPECT_DOUBLE_EQ(alpha(1), 1.0);
    EXPECT_DOUBLE_EQ(static_cast<LeftDataTableCellView*>(cellAt(1))->progressView()->progressValue(), 1.0);

    QVDAEventRecorder events;
    clickRow(3);
    EXPECT_EQ(left->selectedRow(), 0);
    EXPECT_TRUE(events.contains(QStringLiteral("BeforeDeleter"), QStringLiteral("FileType"), QString()));
    EXPECT_TRUE(left->fileTypeClick());

    clickRow(1);
    EXPECT_EQ(left->selectedRow(), 1);
    EXPECT_TRUE(events.contains(QStringLiteral("BeforeDeleter"), QStringLiteral("FileType"), QStringLiteral("video")));
    EXPECT_EQ(screen.shownFiles.size(), 2);
}

TEST_F(LeftDataViewControllerTest, ProposalsWithAllFilesChooseItAloneAndOthersJoinTheirNames)
{
    scan({{"v/a.mp4", "video one"}, {"v/b.mp4", "video one"}, {"p/a.png", "picture"}, {"p/b.png", "picture"},
          {"d/a.pdf", "a document!"}, {"d/b.pdf", "a document!"}});
    load();
    QVDAEventRecorder events;
    EXPECT_EQ(left->selectionIndexesForProposedSelection({0, 2}), QList<int>{0});
    EXPECT_EQ(events.events().last().label, QStringLiteral("all"));
    QList<int> rows;
    for (LeftDataType type : {LeftDataType::picture, LeftDataType::video}) {
        rows << int(order().indexOf(type));
    }
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(left->selectionIndexesForProposedSelection(rows), rows);
    const QString first = left->dataArray()[size_t(rows[0])]->gALogTypeName();
    const QString second = left->dataArray()[size_t(rows[1])]->gALogTypeName();
    EXPECT_EQ(events.events().last().label, first + QLatin1Char('_') + second);
    // An empty proposal keeps what is chosen.
    EXPECT_EQ(left->selectionIndexesForProposedSelection({}), QList<int>{0});
}

TEST_F(LeftDataViewControllerTest, SelectedViewWithoutSelectionIsAllEmptyAndStillChoosesRowZero)
{
    scan({{"v/a.mp4", "video one"}, {"v/b.mp4", "video one"}});
    load();
    QTest::mouseClick(left->rightBtnLabel(), Qt::LeftButton);
    EXPECT_TRUE(left->viewSelected());
    EXPECT_TRUE(screen.calls.contains(QStringLiteral("leftDataViewUpdateViewSelected(true)")));
    screen.shownFiles = ScanManager::default_().totalFiles();
    load();
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(sizeText(row), transformedFileSize(0, true, true));
        EXPECT_DOUBLE_EQ(alpha(row), 0.4);
    }
    EXPECT_EQ(left->selectedRow(), 0);
    EXPECT_TRUE(screen.shownFiles.isEmpty());
}

TEST_F(LeftDataViewControllerTest, AFilterSwitchSelectsRowZeroAndTheShownFilterIgnoresClicks)
{
    scan({{"v/a.mp4", "video one"}, {"v/b.mp4", "video one"}, {"p/a.png", "pic"}, {"p/b.png", "pic"}});
    load();
    clickRow(2);
    ASSERT_EQ(left->selectedRow(), 2);
    screen.calls.clear();
    QTest::mouseClick(left->leftBtnLabel(), Qt::LeftButton);
    QTest::mouseClick(left->leftBtn(), Qt::LeftButton);
    EXPECT_TRUE(screen.calls.isEmpty());
    EXPECT_FALSE(left->viewSelected());
    EXPECT_TRUE(left->leftBtn()->isChecked());

    QTest::mouseClick(left->rightBtn(), Qt::LeftButton);
    EXPECT_FALSE(left->defaultSelect());
    load();
    EXPECT_EQ(left->selectedRow(), 0);
    EXPECT_TRUE(left->defaultSelect());
    QTest::mouseClick(left->leftBtnLabel(), Qt::LeftButton);
    EXPECT_FALSE(left->viewSelected());
    reload(false);
    EXPECT_EQ(left->selectedRow(), 0);
    EXPECT_EQ(screen.calls.filter(QStringLiteral("leftDataViewUpdateViewSelected")),
              (QStringList{QStringLiteral("leftDataViewUpdateViewSelected(true)"),
                           QStringLiteral("leftDataViewUpdateViewSelected(false)")}));
}

// Checking a file while "Video" is chosen in the "Selected" view re-sorts
// the rows; "Video" stays chosen at its new place and the right panels
// keep theirs.
TEST_F(LeftDataViewControllerTest, ASelectionChangeResortsAndKeepsTheChosenCategory)
{
    const DuplicateFilesList groups =
        scan({{"v/a.mp4", QByteArray(100, 'v')}, {"v/b.mp4", QByteArray(100, 'v')},
              {"p/a.png", QByteArray(50, 'p')},  {"p/b.png", QByteArray(50, 'p')},
              {"q/a.png", QByteArray(60, 'q')},  {"q/b.png", QByteArray(60, 'q')}});
    for (const DuplicateFilesPtr& group : groups) {
        group->infos()[1]->setSelected(true);
        group->setSelectState(ControlState::mixed);
    }
    // As the scan screen does: a choice made while the flag is clear keeps
    // the right panels' place and sets the flag again.
    bool clearedWhenShown = true;
    screen.onShowFiles = [&](const DuplicateFilesList&) {
        clearedWhenShown = left->isClearRightViewSelect();
        left->setIsClearRightViewSelect(true);
    };
    QTest::mouseClick(left->rightBtn(), Qt::LeftButton);
    load();
    EXPECT_EQ(order().mid(0, 3),
              (QList<LeftDataType>{LeftDataType::all, LeftDataType::picture, LeftDataType::video}));
    clickRow(2);
    ASSERT_EQ(left->selectedRow(), 2);
    clickRow(1);
    EXPECT_TRUE(clearedWhenShown);  // a user's choice makes the right panels forget
    clickRow(2);

    const DuplicateFilesPtr video = groupNamed(groups, QStringLiteral("a.mp4"));
    video->infos()[0]->setSelected(true);
    video->setSelectState(ControlState::on);
    reload(true);
    EXPECT_EQ(order().mid(0, 3),
              (QList<LeftDataType>{LeftDataType::all, LeftDataType::video, LeftDataType::picture}));
    EXPECT_EQ(left->selectedRow(), 1);
    EXPECT_FALSE(clearedWhenShown);
    EXPECT_EQ(screen.shownFiles, DuplicateFilesList{video});

    // The count tool tip counts every file of a listed group, the size only
    // the selected ones.
    EXPECT_EQ(cellAt(2)->toolTip(), QStringLiteral("4"));
    EXPECT_EQ(sizeText(2), transformedFileSize(110, true, true));
}

// The "Selected" figures are counted off the main thread: until they land,
// the new rows show the empty look rather than walking every group at each
// paint.
TEST_F(LeftDataViewControllerTest, SelectedRowsLookEmptyUntilTheirFiguresLand)
{
    const DuplicateFilesList groups = scan({{"v/a.mp4", QByteArray(100, 'v')}, {"v/b.mp4", QByteArray(100, 'v')},
                                            {"p/a.png", QByteArray(50, 'p')},  {"p/b.png", QByteArray(50, 'p')}});
    for (const DuplicateFilesPtr& group : groups) {
        group->infos()[1]->setSelected(true);
        group->setSelectState(ControlState::mixed);
    }
    load();
    EXPECT_EQ(sizeText(0), transformedFileSize(300, true, true));
    QTest::mouseClick(left->rightBtn(), Qt::LeftButton);
    bool done = false;
    left->setDataArray([&] { done = true; });
    EXPECT_EQ(sizeText(0), QStringLiteral("0 B"));
    EXPECT_DOUBLE_EQ(alpha(0), 0.4);
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_EQ(sizeText(0), transformedFileSize(150, true, true));
    EXPECT_DOUBLE_EQ(alpha(0), 1.0);
}

TEST_F(LeftDataViewControllerTest, TheSizeColumnWidensAndNeverNarrows)
{
    scan({{"v/a.mp4", QByteArray(123456, 'v')}, {"v/b.mp4", QByteArray(123456, 'v')}});
    EXPECT_DOUBLE_EQ(left->filesCountStringWidth(), 50.0);
    load();
    const double wide = left->filesCountStringWidth();
    EXPECT_GT(wide, 50.0);
    EXPECT_EQ(static_cast<LeftDataTableCellView*>(cellAt(0))->filesCountLabelWidthConstraint()->constant(), wide);
    QTest::mouseClick(left->rightBtn(), Qt::LeftButton);
    load();  // every size "0 B" now
    EXPECT_EQ(left->filesCountStringWidth(), wide);
}

// Reloads may overlap: each ends with its own completion, in order, and no
// completion sees rows that are not sorted.
TEST_F(LeftDataViewControllerTest, OverlappingReloadsEachCompleteOnSortedRows)
{
    scan({{"v/a.mp4", QByteArray(300, 'v')}, {"v/b.mp4", QByteArray(300, 'v')}, {"p/a.png", QByteArray(50, 'p')},
          {"p/b.png", QByteArray(50, 'p')}, {"d/a.txt", QByteArray(90, 'd')}, {"d/b.txt", QByteArray(90, 'd')}});
    load();
    QStringList completions;
    auto sorted = [&] {
        uint64_t last = UINT64_MAX;
        for (const auto& row : left->dataArray()) {
            const uint64_t size = row->measuredFilesSize().value_or(0);
            if (size > last) {
                return false;
            }
            last = size;
        }
        return true;
    };
    left->reloadData(true, [&] { completions << (sorted() ? QStringLiteral("first") : QStringLiteral("unsorted")); });
    left->reloadData(true, [&] { completions << (sorted() ? QStringLiteral("second") : QStringLiteral("unsorted")); });
    EXPECT_EQ(left->reloadsInFlight(), 2);
    ASSERT_TRUE(waitUntil([&] { return completions.size() == 2; }));
    EXPECT_EQ(completions, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_EQ(left->reloadsInFlight(), 0);
    EXPECT_EQ(order().mid(0, 4), (QList<LeftDataType>{LeftDataType::all, LeftDataType::video,
                                                      LeftDataType::document, LeftDataType::picture}));
}

// A new result empties both views; rows built while a reload of the old
// ones is measuring are not replaced by that reload's order.
TEST_F(LeftDataViewControllerTest, AReloadOfOldRowsDoesNotOverwriteNewOnes)
{
    scan({{"v/a.mp4", "video one"}, {"v/b.mp4", "video one"}});
    load();
    bool oldDone = false;
    left->reloadData(true, [&] { oldDone = true; });
    left->clearDataArray();
    EXPECT_TRUE(left->defaultNotDataTableView());
    EXPECT_TRUE(left->dataArray().empty());
    load();
    EXPECT_TRUE(oldDone);
    EXPECT_EQ(left->dataArray().size(), 6u);
    EXPECT_FALSE(left->defaultNotDataTableView());
}

TEST_F(LeftDataViewControllerTest, RowsHoveredOrChosenShowTheirSelectedIcon)
{
    scan({{"v/a.mp4", "video one"}, {"v/b.mp4", "video one"}});
    load();
    RYTableRowViewHost* host = RYTableRowViewHost::hostOf(left->tableView());
    ASSERT_NE(host, nullptr);
    auto* chosen = static_cast<KPLLeftDataTableRowView*>(host->rowViewAtRow(0, true));
    auto* other = static_cast<KPLLeftDataTableRowView*>(host->rowViewAtRow(1, true));
    ASSERT_TRUE(chosen && other);
    left->tableRowViewSelectedDidChange(chosen);
    auto icon = [&](int row) { return static_cast<LeftDataTableCellView*>(cellAt(row))->imageName(); };
    EXPECT_TRUE(icon(0).startsWith(QStringLiteral("left_on_")));
    EXPECT_FALSE(icon(1).contains(QStringLiteral("left_on")));
    left->tableRowViewEntered(other, nullptr);
    EXPECT_TRUE(icon(1).startsWith(QStringLiteral("left_on_")));
    left->tableRowViewExited(other, nullptr);
    EXPECT_FALSE(icon(1).contains(QStringLiteral("left_on")));
    // Hovered and chosen: leaving keeps the chosen look.
    left->tableRowViewEntered(chosen, nullptr);
    left->tableRowViewExited(chosen, nullptr);
    EXPECT_TRUE(icon(0).startsWith(QStringLiteral("left_on_")));
    // The count tool tip shows only while the rows can be chosen.
    EXPECT_EQ(cellAt(0)->toolTip(), QStringLiteral("2"));
    left->setIsEnabledSelect(false);
    EXPECT_TRUE(cellAt(0)->toolTip().isEmpty());
}

TEST(LeftDataTableCellViewTest, TheSelectedIconNameIsNeverDoubled)
{
    LeftDataTableCellView cell;
    cell.setImageName(QStringLiteral("left_Video"));
    cell.updateProgressView(true);
    cell.updateProgressView(true);
    EXPECT_EQ(cell.imageName(), QStringLiteral("left_on_Video"));
    EXPECT_FALSE(cell.iconImageView()->pixmap().isNull());
    cell.updateProgressView(false);
    cell.updateProgressView(false);
    EXPECT_EQ(cell.imageName(), QStringLiteral("left_Video"));
    EXPECT_EQ(cell.progressView()->backgroundColor(), QColor(Qt::transparent));
}

TEST(LeftDataListStyleTest, UnknownCategoriesFallBack)
{
    LeftDataViewController::LeftDataListStyle row(LeftDataType::audio);
    row.setDictionaries({}, {}, {}, {});
    EXPECT_EQ(row.iconName(), QStringLiteral("Unknow"));
    EXPECT_EQ(row.titleName(), QStringLiteral("Unknow"));
    EXPECT_EQ(row.progressColorName(), QStringLiteral("Unknow"));
    EXPECT_EQ(row.gALogTypeName(), QStringLiteral("all"));
}

class MouseUpRecorder : public MouseUpTextFieldDelegate {
public:
    int ups = 0;
    void mouseUp(MouseUpTextField*) override { ++ups; }
};

TEST(MouseUpTextFieldTest, TheDelegateHearsOnlyTheRelease)
{
    QWidget host;
    auto* field = new MouseUpTextField(&host);
    field->setText(QStringLiteral("Selected"));
    field->resize(80, 20);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QTest::mouseClick(field, Qt::LeftButton);  // without a delegate: a plain label
    MouseUpRecorder recorder;
    field->setMouseDelegate(&recorder);
    QTest::mousePress(field, Qt::LeftButton);
    EXPECT_EQ(recorder.ups, 0);
    QTest::mouseRelease(field, Qt::LeftButton);
    EXPECT_EQ(recorder.ups, 1);
    field->setMouseDelegate(nullptr);
}

}  // namespace
