// The check-box rules, run through each right panel with the mouse on the
// results of a real scan.

#include "PanelDrivers.h"

#include "Foundation/UserDefaults.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

enum class Panel { list, preview };

class SelectionRulesTest : public PanelTest, public ::testing::WithParamInterface<Panel> {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        groups = scan({{"pair/a.txt", "pair of files"},
                       {"pair/b.txt", "pair of files"},
                       {"triple/1.dat", "three copies of this"},
                       {"triple/2.dat", "three copies of this"},
                       {"triple/3.dat", "three copies of this"}});
        ASSERT_EQ(groups.size(), 2);
        pair = groupNamed(groups, QStringLiteral("a.txt"));
        triple = groupNamed(groups, QStringLiteral("1.dat"));
        ASSERT_TRUE(pair && triple);
        driver = makeDriver(window.get());
        window->setCentralWidget(driver->widget());
        driver->show(groups);
        QCoreApplication::processEvents();
        screen.calls.clear();
    }

    void TearDown() override
    {
        driver.reset();
        PanelTest::TearDown();
    }

    std::unique_ptr<PanelDriver> makeDriver(QWidget* parent)
    {
        if (GetParam() == Panel::list) {
            return std::make_unique<ListDriver>(&screen, parent);
        }
        return std::make_unique<PreviewDriver>(&screen, parent);
    }

    static bool completeScan() { return UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("CompleteScan")); }

    DuplicateFilesList groups;
    DuplicateFilesPtr pair;
    DuplicateFilesPtr triple;
    std::unique_ptr<PanelDriver> driver;
};

const QStringList kReports = {QStringLiteral("updateSelectCountSizeLabel"), QStringLiteral("leftDataViewCtrReloadData(true)")};

TEST_P(SelectionRulesTest, AGroupBoxTogglesBetweenAllButTheFirstAndNothing)
{
    driver->clickGroupBox(pair);
    EXPECT_EQ(selectedNames(*pair), QStringList{QStringLiteral("pair/b.txt")});
    EXPECT_EQ(pair->selectState(), ControlState::mixed);
    EXPECT_EQ(driver->groupBoxState(pair), RYTCheckBox::stateMixed);
    EXPECT_EQ(driver->countText(pair), QStringLiteral("1 / 2"));
    EXPECT_TRUE(driver->countHighlighted(pair));
    EXPECT_EQ(screen.calls, kReports);

    driver->clickGroupBox(pair);
    EXPECT_TRUE(selectedNames(*pair).isEmpty());
    EXPECT_EQ(pair->selectState(), ControlState::off);
    EXPECT_EQ(driver->groupBoxState(pair), RYTCheckBox::stateOff);
    EXPECT_EQ(driver->countText(pair), QString());

    // A group whose every file is selected goes off with one click.
    for (const FileInfoPtr& file : triple->infos()) {
        file->setSelected(true);
    }
    triple->setSelectState(ControlState::on);
    driver->clickGroupBox(triple);
    EXPECT_TRUE(selectedNames(*triple).isEmpty());
    EXPECT_EQ(triple->selectState(), ControlState::off);
}

TEST_P(SelectionRulesTest, AGroupBoxNeverSelectsTheOnlyFileOfAGroup)
{
    auto single = std::make_shared<DuplicateFiles>();
    single->setInfos({pair->infos().first()});
    single->setTotalSize(pair->infos().first()->size());
    driver->show({single, triple});
    driver->clickGroupBox(single);
    EXPECT_FALSE(single->infos().first()->selected());
    driver->clickGroupBox(single);
    EXPECT_FALSE(single->infos().first()->selected());
    EXPECT_EQ(single->selectState(), ControlState::off);
}

TEST_P(SelectionRulesTest, TheLastFileAsksAndCancelUndoesTheTick)
{
    driver->clickGroupBox(triple);  // files 2 and 3
    screen.calls.clear();
    driver->clickFileBox(triple, 0);
    SheetWindowController* sheet = waitForSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->sheetType(), SheetWindowController::SheetActionType::filterFlag);
    EXPECT_TRUE(sheet->labelTextField()->text().contains(QStringLiteral("\"1.dat\"")));
    answerSheet(false);
    ASSERT_TRUE(waitUntil([&] { return !triple->infos()[0]->selected(); }));
    QTest::qWait(0);
    EXPECT_EQ(triple->selectState(), ControlState::mixed);
    EXPECT_TRUE(screen.calls.isEmpty()) << screen.calls.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(driver->fileCell(triple, 0)->findChild<RYTCheckBox*>(QStringLiteral("checkBox"))->state(),
              RYTCheckBox::stateOff);
    EXPECT_FALSE(completeScan());
    EXPECT_TRUE(UserDefaults::standardUserDefaults().objectForKey(QStringLiteral("CompleteScan")).isValid());
}

TEST_P(SelectionRulesTest, TheLastFileWithYesTurnsTheGroupOnAndUncheckingNeverAsks)
{
    driver->clickGroupBox(triple);
    screen.calls.clear();
    driver->clickFileBox(triple, 0);
    answerSheet(true);
    ASSERT_TRUE(waitUntil([&] { return triple->selectState() == ControlState::on; }));
    EXPECT_EQ(selectedNames(*triple).size(), 3);
    EXPECT_EQ(screen.calls, kReports);
    EXPECT_EQ(driver->countText(triple), QStringLiteral("3 / 3"));
    EXPECT_EQ(driver->groupBoxState(triple), RYTCheckBox::stateOn);

    screen.calls.clear();
    driver->clickFileBox(triple, 2);
    EXPECT_EQ(SheetWindowController::globalSheetController() &&
                  SheetWindowController::globalSheetController()->isShowing(),
              false);
    EXPECT_EQ(triple->selectState(), ControlState::mixed);
    EXPECT_EQ(screen.calls, kReports);
}

TEST_P(SelectionRulesTest, DontRemindMeAgainStopsTheQuestionEvenOnCancel)
{
    driver->clickGroupBox(triple);
    driver->clickFileBox(triple, 0);
    answerSheet(false, true);
    ASSERT_TRUE(waitUntil([] { return completeScan(); }));
    EXPECT_FALSE(triple->infos()[0]->selected());

    screen.calls.clear();
    driver->clickFileBox(triple, 0);
    EXPECT_TRUE(triple->infos()[0]->selected());
    EXPECT_EQ(triple->selectState(), ControlState::on);
    EXPECT_EQ(screen.calls, kReports);
    EXPECT_FALSE(SheetWindowController::globalSheetController() &&
                 SheetWindowController::globalSheetController()->isShowing());
}

// Nobody to ask: the tick must not stand, or the engine would remove the
// last copy unasked.
TEST_P(SelectionRulesTest, WithoutAMainWindowTheLastTickIsUndone)
{
    QWidget host;
    host.resize(1000, 640);
    std::unique_ptr<PanelDriver> alone = makeDriver(&host);
    alone->widget()->resize(1000, 640);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    window->hide();
    ModalOverlay::setApplicationMainWindow(nullptr);
    ASSERT_EQ(ModalOverlay::applicationMainWindow(), nullptr);
    alone->show(groups);

    alone->clickGroupBox(triple);
    screen.calls.clear();
    alone->clickFileBox(triple, 0);
    EXPECT_FALSE(triple->infos()[0]->selected());
    EXPECT_EQ(triple->selectState(), ControlState::mixed);
    EXPECT_TRUE(screen.calls.isEmpty());
    EXPECT_EQ(SheetWindowController::globalSheetController() &&
                  SheetWindowController::globalSheetController()->isShowing(),
              false);
    EXPECT_FALSE(completeScan());
}

INSTANTIATE_TEST_SUITE_P(BothPanels, SelectionRulesTest, ::testing::Values(Panel::list, Panel::preview),
                         [](const auto& info) { return info.param == Panel::list ? "List" : "Preview"; });

// The same clicks leave the same files selected, the same group states and
// the same reports, whichever panel they were made in.
class BothPanelsAgreeTest : public PanelTest {
protected:
    struct Outcome {
        QStringList states;
        QStringList calls;
    };

    Outcome run(bool list)
    {
        const DuplicateFilesList groups = scan({{"pair/a.txt", "pair of files"},
                                                {"pair/b.txt", "pair of files"},
                                                {"triple/1.dat", "three copies of this"},
                                                {"triple/2.dat", "three copies of this"},
                                                {"triple/3.dat", "three copies of this"}});
        const DuplicateFilesPtr pair = groupNamed(groups, QStringLiteral("a.txt"));
        const DuplicateFilesPtr triple = groupNamed(groups, QStringLiteral("1.dat"));
        std::unique_ptr<PanelDriver> driver;
        if (list) {
            driver = std::make_unique<ListDriver>(&screen, window.get());
        } else {
            driver = std::make_unique<PreviewDriver>(&screen, window.get());
        }
        window->setCentralWidget(driver->widget());
        driver->show(groups);
        screen.calls.clear();
        driver->clickGroupBox(triple);
        driver->clickFileBox(triple, 1);
        driver->clickFileBox(pair, 1);
        driver->clickFileBox(pair, 0);
        answerSheet(true);
        waitUntil([&] { return pair->selectState() == ControlState::on; });
        driver->clickGroupBox(pair);  // on: everything off
        driver->clickGroupBox(pair);  // off: all but the first
        Outcome outcome;
        for (const DuplicateFilesPtr& group : groups) {
            outcome.states << QStringLiteral("%1:%2").arg(int(group->selectState())).arg(selectedNames(*group).join(','));
        }
        outcome.calls = screen.calls;
        window->takeCentralWidget();
        driver.reset();
        return outcome;
    }
};

TEST_F(BothPanelsAgreeTest, TheSameClicksLeaveTheSameStateAndReports)
{
    const Outcome list = run(true);
    UserDefaults::standardUserDefaults().removeObjectForKey(QStringLiteral("CompleteScan"));
    const Outcome preview = run(false);
    EXPECT_EQ(list.states, preview.states);
    EXPECT_EQ(list.calls, preview.calls);
    EXPECT_EQ(list.states, (QStringList{QStringLiteral("-1:pair/b.txt"), QStringLiteral("-1:triple/3.dat")}))
        << list.states.join(' ').toStdString();
    EXPECT_EQ(list.calls.count(QStringLiteral("updateSelectCountSizeLabel")), 6);
}

}  // namespace
