// The duplicate and large-file results as a keyboard user meets them: Tab
// goes once round every control a mouse can use, in the screen's reading
// order, each drawing the focus ring while it has the focus (light and
// dark); the arrows move within a list, Space ticks, Return opens, and the
// switches and pop-ups go by keys as by clicks.

#include "ScanScreenFixture.h"

#include "FocusRingProbe.h"
#include "Foundation/ResourceValues.h"
#include "Foundation/UserDefaults.h"
#include "Main/MainMenu.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTableView.h"
#include "UrlCatcher.h"
#include "View/CustomView/KPLSwitchButton.h"
#include "View/CustomView/PopUpButton.h"
#include "View/CustomView/SortPopButton.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListOutlineModel.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "Window/DupImageNavigationGuide.h"

#include <QApplication>
#include <QMenu>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>

namespace {

QWidget* focused()
{
    return QApplication::focusWidget();
}

std::string nameOf(const QWidget* widget)
{
    return widget ? widget->objectName().toStdString() : std::string("nothing");
}

int chosenRow(const QAbstractItemView* view)
{
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

}  // namespace

class ScanScreenKeyboardTest : public ScanScreenTest {
protected:
    ScanViewController* showResults(const QString& tree, bool large)
    {
        UserDefaults::standardUserDefaults().setBool(true, DupImageNavigationGuide::flagKey());
        ScanViewController* s = scanToResults(tree, large);
        window = nib().window();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return s;
    }

    void key(Qt::Key which, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focused() ? focused() : window, which, modifiers);
    }

    // Tab until `control` has the focus; false when it is never reached.
    bool tabTo(QWidget* control)
    {
        for (int i = 0; i < 30 && focused() != control; ++i) {
            key(Qt::Key_Tab);
        }
        return focused() == control;
    }

    // Once round the chain from the first of `expected`: what Tab meets is
    // `expected`, in order, and each shows the ring in either appearance;
    // Shift+Tab goes back.
    void expectChain(const QList<QWidget*>& expected)
    {
        ASSERT_TRUE(tabTo(expected.first()));
        QList<QWidget*> met{focused()};
        for (int i = 0; i < 2 * expected.size(); ++i) {
            key(Qt::Key_Tab);
            if (focused() == met.first()) {
                break;
            }
            met.append(focused());
        }
        const auto names = [](const QList<QWidget*>& widgets) {
            std::string joined;
            for (const QWidget* widget : widgets) {
                joined += nameOf(widget) + " ";
            }
            return joined;
        };
        EXPECT_EQ(names(met), names(expected));
        key(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(focused(), met.last());
        for (const int dark : {0, 1}) {
            RYTDarkMode::setForcedAppearance(dark);
            const auto restore = qScopeGuard([] { RYTDarkMode::setForcedAppearance(-1); });
            for (QWidget* control : met) {
                EXPECT_TRUE(FocusRingProbe::isVisible(control))
                    << nameOf(control) << (dark ? " (dark)" : " (light)") << " shows "
                    << FocusRingProbe::visiblePixels(control) << " ring pixels";
            }
        }
    }

    QWidget* window = nullptr;
    UrlCatcher catcher;
};

// The duplicate results, in the preview and in the list: the categories,
// the groups and the files by the arrows, their boxes by Space, a file
// opened and a group opened by Return; the filter and the mode switch by
// keys.
TEST_F(ScanScreenKeyboardTest, TheDuplicateResultsGoByTheKeyboard)
{
    ScanViewController* s = showResults(duplicateTree(), false);
    LeftDataViewController* left = s->leftDataViewCtr();
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    KPLTableView* groups = preview->mainTableView();
    KPLTableView* files = preview->subTableView();

    // The categories: Down chooses the next, and the right side shows it.
    ASSERT_TRUE(tabTo(left->tableView()));
    ASSERT_EQ(chosenRow(left->tableView()), 0);
    key(Qt::Key_Down);
    EXPECT_EQ(chosenRow(left->tableView()), 1);
    EXPECT_EQ(s->rightDataFilesArray(), left->dataArray()[1]->filesArray());
    key(Qt::Key_Home);
    EXPECT_EQ(chosenRow(left->tableView()), 0);
    EXPECT_EQ(s->rightDataFilesArray().size(), 5);

    // The groups: Down chooses the next, whose files fill the file table;
    // Space ticks its box (every copy but the first).
    ASSERT_TRUE(tabTo(groups));
    key(Qt::Key_Down);
    ASSERT_EQ(chosenRow(groups), 1);
    const DuplicateFilesPtr group = preview->filesArray().at(1);
    EXPECT_EQ(preview->detailFilesArray(), group->infos());
    key(Qt::Key_Space);
    EXPECT_EQ(group->selectState(), ControlState::mixed);
    EXPECT_EQ(s->saveSelectData().count, group->fileCount() - 1);

    // The files: Down, Space unticks the second copy, Return opens it.
    ASSERT_TRUE(tabTo(files));
    key(Qt::Key_Home);
    key(Qt::Key_Down);
    ASSERT_EQ(chosenRow(files), 1);
    key(Qt::Key_Space);
    EXPECT_FALSE(group->infos().at(1)->selected());
    EXPECT_EQ(group->selectState(), group->fileCount() > 2 ? ControlState::mixed : ControlState::off);
    key(Qt::Key_Space);
    EXPECT_TRUE(group->infos().at(1)->selected());
    key(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return catcher.opened.size() == 1; }));
    EXPECT_EQ(FilePath::fromFileUrl(catcher.opened.first()), group->infos().at(1)->path());

    // Every control once round, Remove too now that a file is ticked.
    ASSERT_TRUE(s->startBtn()->isEnabled());
    expectChain({s->backBtn(), s->popUpButton(), s->startBtn(), left->leftBtn(), left->tableView(),
                 s->automaticSelectionBtn(), s->notAtAllBtn(), s->modeSwitchBtn(), groups, files});

    // The filter is one stop: the arrow takes "Selected", the focus goes
    // along; back to "All".
    ASSERT_TRUE(tabTo(left->leftBtn()));
    key(Qt::Key_Right);
    EXPECT_TRUE(s->viewSelected());
    EXPECT_EQ(focused(), left->rightBtn());
    key(Qt::Key_Space);
    EXPECT_FALSE(s->viewSelected());
    EXPECT_EQ(focused(), left->leftBtn());

    // The switch by Space: the list, with the focus kept on the switch.
    ASSERT_TRUE(tabTo(s->modeSwitchBtn()));
    key(Qt::Key_Space);
    ASSERT_FALSE(s->previewModel());
    EXPECT_EQ(focused(), s->modeSwitchBtn());
    RightDataListViewController* list = s->rightDataListViewCtr();
    KPLOutlineView* outline = list->outlineView();
    key(Qt::Key_Tab);
    ASSERT_EQ(focused(), outline);
    EXPECT_TRUE(FocusRingProbe::isVisible(outline));
    // Return opens the chosen group as its arrow does; Down goes to its
    // files, Space ticks the second copy, Return opens it.
    key(Qt::Key_Home);
    const DuplicateFilesPtr first = list->filesArray().first();
    key(Qt::Key_Return);
    ASSERT_TRUE(list->outlineModel()->isExpanded(first.get()));
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    ASSERT_EQ(chosenRow(outline), list->outlineModel()->fileIndex(first.get(), 1).row());
    ASSERT_FALSE(first->infos().at(1)->selected());
    key(Qt::Key_Space);
    EXPECT_TRUE(first->infos().at(1)->selected());
    EXPECT_EQ(first->selectState(), ControlState::mixed);
    catcher.opened.clear();
    key(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return catcher.opened.size() == 1; }));
    EXPECT_EQ(FilePath::fromFileUrl(catcher.opened.first()), first->infos().at(1)->path());
    key(Qt::Key_Home);
    key(Qt::Key_Return);
    EXPECT_FALSE(list->outlineModel()->isExpanded(first.get()));
}

// The large-file results: the filter, the By Size/Date/Type pop-up, the
// group list and the file rows with their boxes, by keys.
TEST_F(ScanScreenKeyboardTest, TheLargeFileResultsGoByTheKeyboard)
{
    ScanViewController* s = showResults(largeFileTree(), true);
    LeftLargeFileViewController* left = s->leftLargeFileViewController();
    RightLargeFileDataViewController* right = s->rightLargeFileDataViewController();
    RYTableView* table = right->mainTableView();
    ASSERT_TRUE(waitUntil([&] { return right->sortsInFlight() == 0 && right->shownFiles().size() == 4; }));

    // A file row: Down chooses it, Space ticks its box.
    ASSERT_TRUE(tabTo(table));
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    ASSERT_EQ(chosenRow(table), 1);
    const FileInfoPtr file = right->shownFiles().at(1);
    key(Qt::Key_Space);
    EXPECT_TRUE(file->selected());
    EXPECT_TRUE(s->startBtn()->isEnabled());
    EXPECT_EQ(s->saveSelectData().count, 1);
    key(Qt::Key_Space);
    EXPECT_FALSE(file->selected());
    key(Qt::Key_Space);

    expectChain({s->backBtn(), s->popUpButton(), s->startBtn(), left->leftBtn(), left->sortPopButton(),
                 left->tableView(), s->allSelectCheckBox(), s->upSortNameBtn(), s->downSortNameBtn(),
                 s->upSortSizeBtn(), s->downSortSizeBtn(), table});

    // The groups: End chooses the last band, the table shows its files.
    ASSERT_TRUE(tabTo(left->tableView()));
    ASSERT_EQ(chosenRow(left->tableView()), 0);
    key(Qt::Key_End);
    EXPECT_EQ(chosenRow(left->tableView()), 4);
    ASSERT_TRUE(waitUntil([&] { return right->shownFiles().size() == 3; }));

    // The pop-up: Space opens it at the grouping shown, Down and Return
    // choose "By Date".
    SortPopButton* sort = left->sortPopButton();
    ASSERT_TRUE(tabTo(sort));
    key(Qt::Key_Space);
    ASSERT_TRUE(waitUntil([&] { return sort->menu() && sort->menu()->isVisible(); }));
    ASSERT_NE(sort->menu()->activeAction(), nullptr);
    EXPECT_EQ(sort->menu()->activeAction()->text(), sort->title());
    QTest::keyClick(sort->menu(), Qt::Key_Down);
    QTest::keyClick(sort->menu(), Qt::Key_Return);
    EXPECT_EQ(left->functionType(), FunctionType::date);
    EXPECT_TRUE(waitUntil([&] { return left->rowCount() == 6; }));
    // The desktop gives the window the keyboard back when a menu closes;
    // the offscreen platform does not.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(focused(), sort);

    // The filter: the arrow takes "Selected", which lists the ticked file.
    ASSERT_TRUE(tabTo(left->leftBtn()));
    key(Qt::Key_Right);
    EXPECT_TRUE(s->viewSelected());
    EXPECT_EQ(focused(), left->rightBtn());
    EXPECT_TRUE(waitUntil([&] { return right->shownFiles() == QList<FileInfoPtr>{file}; }));
}
