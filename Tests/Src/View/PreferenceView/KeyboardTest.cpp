// The preferences window by the keyboard alone: every control a mouse can
// use is reached by Tab and shows the focus ring, the pages switch as a tab
// bar's do, and the pop-ups, lists and step buttons work from their keys.
#include "PreferenceFixture.h"

#include "FocusRingProbe.h"
#include "QVLibrary/RYListView.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "View/CustomView/PopUpButton.h"
#include "View/PreferenceView/ImageSlider.h"
#include "View/PreferenceView/PreferenceViewController.h"
#include "View/PreferenceView/WhiteListDetailControllerView.h"
#include "View/PreferenceView/WhiteListPathModel.h"
#include "View/PreferenceView/WhiteListTypeControllerView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QStackedWidget>
#include <QTest>

#include <algorithm>

namespace {

class KeyboardTest : public PreferenceTest {
protected:
    // The window shown and active, as a user opens it.
    void open()
    {
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    }
    static QWidget* focused() { return QApplication::focusWidget(); }
    // A key to whatever holds the focus, as the keyboard gives it.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(focused() ? focused() : static_cast<QWidget*>(&window()), key, modifiers);
        settle();
    }
    QString page() { return child<QStackedWidget>("mainBox")->currentWidget()->objectName(); }
    RYSelectView* tab(const char* name) { return child<RYSelectView>(name); }
    // The names of the controls Tab meets from the chosen tab until it
    // comes back to it; Tab starts from the control in focus.
    QStringList tabCycle()
    {
        QStringList names;
        QWidget* start = focused();
        const auto fromTab = [&names] {
            const auto at = std::find_if(names.begin(), names.end(),
                                         [](const QString& name) { return name.endsWith("SelectView"); });
            std::rotate(names.begin(), at, names.end());
            return names;
        };
        for (int i = 0; i < 30; ++i) {
            QWidget* now = focused();
            EXPECT_NE(now, nullptr);
            if (!now || (i > 0 && now == start)) {
                break;
            }
            names << now->objectName();
            press(Qt::Key_Tab);
        }
        return fromTab();
    }
    // Every control of the cycle marks its focus so it can be seen, in both
    // appearances.
    void expectRings(const QStringList& names)
    {
        for (const int dark : {0, 1}) {
            RYTDarkMode::setForcedAppearance(dark);
            for (const QString& name : names) {
                auto* control = window().findChild<QWidget*>(name);
                ASSERT_NE(control, nullptr) << name.toStdString();
                QRect area;
                if (auto* slider = qobject_cast<ImageSlider*>(control)) {
                    area = slider->knobRect().toAlignedRect();
                }
                EXPECT_TRUE(FocusRingProbe::isVisible(control, area))
                    << name.toStdString() << " shows " << FocusRingProbe::visiblePixels(control)
                    << " pixels of its ring, dark " << dark;
            }
        }
        RYTDarkMode::setForcedAppearance(0);
    }
};

}  // namespace

TEST_F(KeyboardTest, TabReachesAndMarksEveryControlOfEveryPage)
{
    writeSettings({{"maxSelect", true}, {"minSelect", true}, {"similarImageMaxSelect", true},
                   {"similarImageMinSelect", true}});
    open();
    tab("generalSelectView")->setFocus(Qt::TabFocusReason);
    // The list views have no names of their own: they are named here by
    // the list they show.
    controller().whiteListFileTypeView()->listView()->setObjectName("categoryList");
    controller().whiteListDetailView()->listView()->setObjectName("pathList");

    const QStringList general = tabCycle();
    EXPECT_EQ(general, (QStringList{"generalSelectView", "maxSelectBox", "maxFileSize", "maxByteTypeBox",
                                    "minSelectBox", "minFileSize", "minByteTypeBox", "hiddenFile", "zeroByteFile"}));
    expectRings(general);

    // From the last control of a page Ctrl+Tab goes to the next page's first.
    press(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(page(), "whiteListView");
    EXPECT_EQ(focused()->objectName(), "categoryList");
    const QStringList whiteList = tabCycle();
    EXPECT_EQ(whiteList,
              (QStringList{"whiteListSelectView", "categoryList", "pathList", "addFileButton", "deleteFileButton"}));
    expectRings(whiteList);

    press(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(page(), "repeatFileView");
    EXPECT_EQ(focused()->objectName(), "video");
    const QStringList types = tabCycle();
    EXPECT_EQ(types, (QStringList{"repeatFileSelectView", "video", "voice", "photo", "file", "other"}));
    expectRings(types);

    press(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(page(), "similarImageView");
    EXPECT_EQ(focused()->objectName(), "sliderReduceBtn");
    const QStringList similar = tabCycle();
    EXPECT_EQ(similar, (QStringList{"similarImageSelectView", "sliderReduceBtn", "slider", "sliderAddBtn",
                                    "similarImageMaxSelectBox", "similarImageMaxFileSize",
                                    "similarImageMaxByteTypeBox", "similarImageMinSelectBox",
                                    "similarImageMinFileSize", "similarImageMinByteTypeBox"}));
    expectRings(similar);

    // A side turned off leaves its field and pop-up out of the cycle.
    field("similarImageMinFileSize")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(focused(), static_cast<QWidget*>(box("similarImageMinSelectBox")));
    press(Qt::Key_Space);
    EXPECT_FALSE(on("similarImageMinSelectBox"));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), static_cast<QWidget*>(tab("similarImageSelectView")));
}

TEST_F(KeyboardTest, ThePagesSwitchByCtrlTabCtrlPageKeysAndTheArrowsOfTheStrip)
{
    open();
    RYSelectView* general = tab("generalSelectView");
    general->setFocus(Qt::TabFocusReason);
    const auto chosen = [&] {
        for (const char* name :
             {"generalSelectView", "whiteListSelectView", "repeatFileSelectView", "similarImageSelectView"}) {
            if (tab(name)->selected()) {
                return QString::fromLatin1(name);
            }
        }
        return QString();
    };

    // On the strip the arrows choose the tab beside, and the focus goes
    // with it; they stop at the ends.
    press(Qt::Key_Left);
    EXPECT_EQ(page(), "genaralView");
    press(Qt::Key_Right);
    EXPECT_EQ(page(), "whiteListView");
    EXPECT_EQ(chosen(), "whiteListSelectView");
    EXPECT_EQ(controller().pageTitle(), "White List");
    EXPECT_EQ(focused(), static_cast<QWidget*>(tab("whiteListSelectView")));
    EXPECT_EQ(general->focusPolicy(), Qt::NoFocus);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    EXPECT_EQ(page(), "similarImageView");
    EXPECT_EQ(focused(), static_cast<QWidget*>(tab("similarImageSelectView")));
    press(Qt::Key_Down);
    EXPECT_EQ(page(), "similarImageView");

    // Ctrl+Tab and Ctrl+PgDn go on, round the end; Ctrl+Shift+Tab (in
    // either form the keyboard gives it) and Ctrl+PgUp go back.
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(page(), "genaralView");
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(page(), "whiteListView");
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(page(), "genaralView");
    press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(page(), "similarImageView");
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(page(), "repeatFileView");
    EXPECT_EQ(controller().pageTitle(), "Duplicate Files");
    EXPECT_EQ(focused(), static_cast<QWidget*>(tab("repeatFileSelectView")));

    // From a control of a page, also one that takes page keys itself, the
    // switch goes to the next page's first control.
    press(Qt::Key_PageDown, Qt::ControlModifier);
    ASSERT_EQ(page(), "similarImageView");
    auto* slider = child<ImageSlider>("slider");
    slider->setFocus(Qt::TabFocusReason);
    const int threshold = slider->value();
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(slider->value(), threshold);
    EXPECT_EQ(page(), "genaralView");
    EXPECT_EQ(focused(), static_cast<QWidget*>(box("maxSelectBox")));

    // A change the page holds unsaved is saved before the next page reads
    // the file, as a click on a tab saves it.
    const PlistDict before = file();
    press(Qt::Key_Space);
    EXPECT_TRUE(on("maxSelectBox"));
    EXPECT_EQ(file(), before) << "kept until the next save";
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(page(), "whiteListView");
    expectFile(before, {{"maxSelect", true}});
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(on("maxSelectBox"));
}

TEST_F(KeyboardTest, AUnitPopUpOpensItsMenuAndChoosesByKeys)
{
    writeSettings({{"maxSelect", true}, {"maxFileSize", "5"}});
    open();
    PopUpButton* unit = popup("maxByteTypeBox");
    field("maxFileSize")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    ASSERT_EQ(focused(), static_cast<QWidget*>(unit));
    const PlistDict before = file();

    // Space opens the menu; Down marks the row after the checked one;
    // Return chooses it as a click on it does.
    press(Qt::Key_Space);
    ASSERT_TRUE(unit->isPopupWindowOpen());
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_FALSE(unit->isPopupWindowOpen());
    EXPECT_EQ(unit->selectedTitle()->text(), "GB");
    EXPECT_EQ(focused(), static_cast<QWidget*>(unit));
    expectFile(before, {{"maxSizeType", QString("GB")}});

    // Up from the checked row, then Escape: nothing chosen.
    press(Qt::Key_Down);
    ASSERT_TRUE(unit->isPopupWindowOpen());
    press(Qt::Key_Up);
    press(Qt::Key_Escape);
    EXPECT_FALSE(unit->isPopupWindowOpen());
    EXPECT_EQ(unit->selectedTitle()->text(), "GB");
    EXPECT_TRUE(window().isVisible()) << "Escape closed only the menu";
    // Enter at the top row chooses it.
    press(Qt::Key_Return);
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(unit->selectedTitle()->text(), "KB");
    EXPECT_EQ(focused(), static_cast<QWidget*>(unit));
    expectFile(before, {{"maxSizeType", QString("KB")}});
    EXPECT_TRUE(sheets.isEmpty());
}

TEST_F(KeyboardTest, TheWhiteListsMoveTheirChoiceByArrowsAndTheButtonsTakeSpace)
{
    const QStringList images{home() + "/a", home() + "/b", home() + "/c"};
    writeSettings({{"DupImagesWhiteListPath", QVariant(images)}});
    open();
    tab("generalSelectView")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Right);
    ASSERT_EQ(page(), "whiteListView");
    WhiteListTypeControllerView* types = controller().whiteListFileTypeView();
    WhiteListDetailControllerView* paths = controller().whiteListDetailView();

    press(Qt::Key_Tab);
    ASSERT_EQ(focused(), static_cast<QWidget*>(types->listView()));
    press(Qt::Key_Up);
    EXPECT_EQ(types->selectIndex(), 0);
    press(Qt::Key_Down);
    EXPECT_EQ(types->selectIndex(), 1);
    EXPECT_TRUE(types->listView()->cellAt(1)->selected());
    EXPECT_EQ(paths->whiteListTypeIndex(), 1);
    EXPECT_EQ(paths->numberOfItems(), 3);

    press(Qt::Key_Tab);
    ASSERT_EQ(focused(), static_cast<QWidget*>(paths->listView()));
    press(Qt::Key_Down);
    EXPECT_EQ(paths->selectIndex(), 0);
    press(Qt::Key_End);
    EXPECT_EQ(paths->selectIndex(), 2);
    press(Qt::Key_Down);
    EXPECT_EQ(paths->selectIndex(), 2);
    press(Qt::Key_PageUp);
    EXPECT_EQ(paths->selectIndex(), 0);
    press(Qt::Key_PageDown);
    EXPECT_EQ(paths->selectIndex(), 2);
    press(Qt::Key_Up);
    EXPECT_EQ(paths->selectIndex(), 1);
    EXPECT_TRUE(paths->model()->index(1, 0).data(WhiteListPathModel::ChosenRole).toBool());

    // The delete button by Space removes the path chosen by the keys.
    const PlistDict before = file();
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    ASSERT_EQ(focused(), static_cast<QWidget*>(child<RYTButton>("deleteFileButton")));
    press(Qt::Key_Space);
    expectFile(before, {{"DupImagesWhiteListPath", QVariantList{images.at(0), images.at(2)}}});
    EXPECT_EQ(paths->selectIndex(), 0);
    EXPECT_EQ(paths->numberOfItems(), 2);
}

TEST_F(KeyboardTest, TheMinusAndPlusStepTheThresholdWithinItsRangeAndStoreIt)
{
    writeSettings({{"threshold", "21"}});
    open();
    chooseTab("similarImageSelectView");
    auto* slider = child<ImageSlider>("slider");
    auto* minus = child<RYTButton>("sliderReduceBtn");
    auto* plus = child<RYTButton>("sliderAddBtn");
    const auto label = [&] { return child<QLabel>("silmiarImageSliderValueLabel")->text(); };
    const auto click = [&](RYTButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        settle();
    };
    const PlistDict before = file();

    click(minus);
    EXPECT_EQ(slider->value(), 20);
    EXPECT_EQ(label(), "20%");
    expectFile(before, {{"threshold", QString("20")}});
    // At the lower end minus changes nothing; the file keeps 20.
    click(minus);
    EXPECT_EQ(slider->value(), 20);
    EXPECT_EQ(label(), "20%");
    expectFile(before, {{"threshold", QString("20")}});
    click(plus);
    click(plus);
    EXPECT_EQ(label(), "22%");
    expectFile(before, {{"threshold", QString("22")}});

    // The upper end, reached by the slider's own End key.
    slider->setFocus(Qt::TabFocusReason);
    press(Qt::Key_End);
    EXPECT_EQ(label(), "100%");
    click(plus);
    EXPECT_EQ(slider->value(), 100);
    expectFile(before, {{"threshold", QString("100")}});
    click(minus);
    EXPECT_EQ(label(), "99%");
    expectFile(before, {{"threshold", QString("99")}});

    // The buttons take Space and Return in the focus as well.
    minus->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    press(Qt::Key_Return);
    EXPECT_EQ(label(), "97%");
    expectFile(before, {{"threshold", QString("97")}});
    // What the file holds is what the page shows the next time.
    close();
    reopen();
    chooseTab("generalSelectView");
    chooseTab("similarImageSelectView");
    EXPECT_EQ(slider->value(), 97);
}
