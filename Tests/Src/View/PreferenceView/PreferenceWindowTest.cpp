// The window, its tabs and pages, and what closing and clicking save.
#include "PreferenceFixture.h"

#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTView.h"
#include "View/CustomView/PopUpButton.h"
#include "QVLibrary/RYListView.h"
#include "QVLibrary/RYListViewCell.h"
#include "View/PreferenceView/ImageSlider.h"
#include "View/PreferenceView/PreferenceViewController.h"
#include "View/PreferenceView/PreferenceWIndowController.h"
#include "View/PreferenceView/WhiteListTypeControllerView.h"
#include "View/PreferenceView/WhiteListTypeListViewCell.h"
#include "Window/SheetMessageLabel.h"
#include "Window/SheetWindowController.h"

#include <QApplication>
#include "ShownText.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QStyle>
#include <QTest>

namespace {

QByteArray rawFile()
{
    EXPECT_TRUE(PerferenceInfo::waitForBackgroundSaves(std::chrono::seconds(10)));
    QFile file(PerferenceInfo::settingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST_F(PreferenceTest, FirstOpeningShowsGeneralWithTheStoredSettings)
{
    writeSettings({{"maxSelect", true}, {"maxFileSize", "500"}, {"maxSizeType", "GB"}, {"minFileSize", "7"},
                   {"minSizeType", "KB"}, {"hiddenFile", false}});
    window();
    EXPECT_EQ(child<QLabel>("windowTitle")->text(), "General");
    EXPECT_EQ(child<QStackedWidget>("mainBox")->currentWidget()->objectName(), "genaralView");
    auto* general = child<RYSelectView>("generalSelectView");
    EXPECT_TRUE(general->selected());
    EXPECT_FALSE(general->canSelected());
    for (const char* other : {"whiteListSelectView", "repeatFileSelectView", "similarImageSelectView"}) {
        EXPECT_FALSE(child<RYSelectView>(other)->selected()) << other;
        EXPECT_TRUE(child<RYSelectView>(other)->canSelected()) << other;
    }
    EXPECT_EQ(child<QLabel>("generalImageName")->property("imageName").toString(), "general_1");
    EXPECT_EQ(child<QLabel>("repeatFileImageName")->property("imageName").toString(), "repeatFlie");

    EXPECT_EQ(field("maxFileSize")->text(), "500");
    EXPECT_FALSE(field("maxFileSize")->isReadOnly());
    EXPECT_TRUE(popup("maxByteTypeBox")->isEnabled());
    EXPECT_EQ(popup("maxByteTypeBox")->selectedTitle()->text(), "GB");
    EXPECT_EQ(controller().maxByteType(), 3);
    EXPECT_EQ(field("minFileSize")->text(), "7");
    EXPECT_TRUE(field("minFileSize")->isReadOnly());
    EXPECT_FALSE(popup("minByteTypeBox")->isEnabled());
    EXPECT_EQ(popup("minByteTypeBox")->selectedTitle()->text(), "KB");
    EXPECT_EQ(controller().minByteType(), 1);
    EXPECT_FALSE(on("hiddenFile"));
    EXPECT_TRUE(on("zeroByteFile"));
}

TEST_F(PreferenceTest, TabsLoadTheirPagesAndTheChosenTabDoesNothingMore)
{
    window();
    chooseTab("repeatFileSelectView");
    EXPECT_EQ(child<QLabel>("windowTitle")->text(), "Duplicate Files");
    EXPECT_EQ(child<QLabel>("repeatFileImageName")->property("imageName").toString(), "repeatFile_1");
    EXPECT_EQ(child<QLabel>("generalImageName")->property("imageName").toString(), "general");
    chooseTab("similarImageSelectView");
    EXPECT_EQ(child<QLabel>("windowTitle")->text(), "Similar Images");
    chooseTab("whiteListSelectView");
    EXPECT_EQ(child<QLabel>("windowTitle")->text(), "White List");
    chooseTab("generalSelectView");
    EXPECT_EQ(child<QLabel>("windowTitle")->text(), "General");

    // A file changed elsewhere is shown when General is chosen, not when the
    // tab already chosen is clicked again.
    writeSettings({{"maxFileSize", "42"}});
    chooseTab("generalSelectView");
    EXPECT_EQ(field("maxFileSize")->text(), "");
    chooseTab("repeatFileSelectView");
    chooseTab("generalSelectView");
    EXPECT_EQ(field("maxFileSize")->text(), "42");

    // Similar Images keeps the settings as last loaded.
    writeSettings({{"similarImageMaxFileSize", "9"}});
    chooseTab("similarImageSelectView");
    EXPECT_EQ(field("similarImageMaxFileSize")->text(), "");
}

TEST_F(PreferenceTest, LoadingAPageWritesNothingWhateverItShows)
{
    // A stored pair that breaks the rule, and a unit no pop-up lists.
    writeSettings({{"maxSelect", true}, {"minSelect", true}, {"maxFileSize", "5"}, {"minFileSize", "10"},
                   {"similarImageMaxSizeType", "TB"}, {"similarImageMaxSelect", true},
                   {"similarImageMinSelect", true}, {"similarImageMaxFileSize", "1"},
                   {"similarImageMinFileSize", "900"}});
    const QByteArray before = rawFile();
    window();
    chooseTab("similarImageSelectView");
    chooseTab("generalSelectView");
    EXPECT_EQ(rawFile(), before);
    EXPECT_TRUE(sheets.isEmpty());
    EXPECT_EQ(popup("similarImageMaxByteTypeBox")->selectedTitle()->text(), "TB");
    EXPECT_EQ(popup("similarImageMaxByteTypeBox")->selectedIndex(), -1);
    EXPECT_EQ(popup("similarImageMinByteTypeBox")->selectedIndex(), 1);
    EXPECT_EQ(controller().similarImageMaxByteType(), 3);
}

TEST_F(PreferenceTest, ClicksOutsideTheGeneralFieldsSaveButClicksInsideDoNot)
{
    writeSettings({{"maxSelect", true}, {"minSelect", true}});
    window();
    const PlistDict before = file();
    // Text set without editing, as a field holds it while the user types.
    field("maxFileSize")->setText("12");
    QTest::mouseClick(field("minFileSize"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(file(), before);
    clickElsewhere();
    expectFile(before, {{"maxFileSize", QString("12")}});
    EXPECT_EQ(controller().isClose(), 0);
}

TEST_F(PreferenceTest, ClosingByAnyMeansSavesWithoutASheetAndReopeningShowsTheSamePage)
{
    writeSettings({{"maxSelect", true}, {"minSelect", true}, {"minFileSize", "10"}});
    window();
    const PlistDict before = file();
    PreferenceViewController* made = &controller();
    // A maximum below the minimum, not yet saved when the window closes.
    field("maxFileSize")->setText("5");
    close();
    EXPECT_EQ(controller().isClose(), 1);
    EXPECT_TRUE(sheets.isEmpty());
    EXPECT_EQ(field("maxFileSize")->text(), "10");
    expectFile(before, {{"maxFileSize", QString("10")}});

    reopen();
    EXPECT_EQ(&controller(), made);
    EXPECT_EQ(controller().isClose(), 0);
    EXPECT_EQ(field("maxFileSize")->text(), "10");

    // A sheet of the window goes with it.
    type("minFileSize", "20");
    ASSERT_EQ(sheets.size(), 1);
    ASSERT_TRUE(SheetWindowController::globalSheetController()->isShowing());
    chooseTab("similarImageSelectView");
    window().close();  // the title bar's close
    EXPECT_FALSE(SheetWindowController::globalSheetController()->isShowing());
    EXPECT_FALSE(window().isVisible());
    reopen();
    EXPECT_EQ(child<QLabel>("windowTitle")->text(), "Similar Images");
    EXPECT_EQ(child<QStackedWidget>("mainBox")->currentWidget()->objectName(), "similarImageView");
}

TEST_F(PreferenceTest, AClosedWindowNoLongerSavesOnClicks)
{
    window();
    close();
    // A change made meanwhile, by hand or by another part of the program.
    writeSettings({{"threshold", "40"}});
    const QByteArray before = rawFile();
    QWidget elsewhere;
    elsewhere.resize(100, 100);
    elsewhere.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&elsewhere));
    QTest::mouseClick(&elsewhere, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(rawFile(), before);

    // Shown again, it watches clicks once more.
    reopen();
    chooseTab("generalSelectView");
    field("maxFileSize")->setText("3");
    box("maxSelectBox")->setState(RYTCheckBox::stateOn);
    clickElsewhere();
    EXPECT_EQ(file().value("maxFileSize").toString(), "3");
}

// The settings folder's path is long and has no spaces: the notice wraps it
// instead of cutting it off at both edges.
TEST_F(PreferenceTest, TheSaveFailureShowsTheWholePathOfTheFile)
{
    window();
    const QString path = PerferenceInfo::settingsPath();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path + "/inside"));
    clickBox("hiddenFile");
    ASSERT_EQ(sheets.size(), 1);
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    ASSERT_TRUE(sheet && sheet->isShowing());
    auto* label = qobject_cast<SheetMessageLabel*>(sheet->labelTextField());
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().contains("“" + path + "”")) << label->text().toStdString();
    EXPECT_TRUE(ShownText::showsAll(label, label->textOption()));
    ASSERT_TRUE(QDir(path).removeRecursively());
}

TEST_F(PreferenceTest, AFailedSaveIsToldOnceKeepsTheValuesAndIsRetried)
{
    window();
    const QString path = PerferenceInfo::settingsPath();
    const PlistDict before = file();
    // A folder in place of the file cannot be replaced, not even by root.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path + "/inside"));

    clickBox("hiddenFile");
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_TRUE(sheets.first().contains(path)) << sheets.first().toStdString();
    EXPECT_FALSE(on("hiddenFile"));
    clickBox("zeroByteFile");
    EXPECT_EQ(sheets.size(), 1) << "one notice until a save works again";
    // Pages shown meanwhile keep what the file could not take.
    chooseTab("repeatFileSelectView");
    chooseTab("generalSelectView");
    EXPECT_FALSE(on("hiddenFile"));
    EXPECT_FALSE(on("zeroByteFile"));

    ASSERT_TRUE(QDir(path).removeRecursively());
    clickBox("zeroByteFile");
    expectFile(before, {{"hiddenFile", false}, {"zeroByteFile", true}});
    EXPECT_EQ(sheets.size(), 1);

    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path + "/inside"));
    clickBox("zeroByteFile");
    EXPECT_EQ(sheets.size(), 2) << "a new failure after a success is told again";
    ASSERT_TRUE(QDir(path).removeRecursively());
}

TEST_F(PreferenceTest, TheIgnoreScanSwitchesSaveBooleans)
{
    window();
    const PlistDict before = file();
    clickBox("hiddenFile");
    expectFile(before, {{"hiddenFile", false}});
    clickBox("zeroByteFile");
    clickBox("hiddenFile");
    expectFile(before, {{"zeroByteFile", false}, {"hiddenFile", true}});
}

// The window lives as long as the program: a switch of the desktop's
// appearance while it lives recolours it whole, not only the controls that
// read their colours as they paint.
TEST_F(PreferenceTest, TheWindowFollowsTheDesktopsAppearanceWhileItLives)
{
    RYTDarkMode::setForcedAppearance(-1);
    QApplication::setPalette(QApplication::style()->standardPalette());
    const auto restore = qScopeGuard([] { QApplication::setPalette(QApplication::style()->standardPalette()); });
    PreferenceWIndowController& w = window();
    auto* title = w.findChild<QLabel*>(QStringLiteral("windowTitle"));
    auto* top = w.findChild<RYTView*>(QStringLiteral("topSelectView"));
    auto* page = w.findChild<RYTView*>(QStringLiteral("genaralView"));
    auto* caption = w.findChild<QLabel*>(QStringLiteral("hiddenFileLabel"));
    auto* chosen = w.findChild<QLabel*>(QStringLiteral("whiteListTitle"));
    QLineEdit* field = w.findChild<QLineEdit*>(QStringLiteral("maxFileSize"));
    auto* typeBox = w.findChild<RYTView*>(QStringLiteral("whiteFileTypeBox"));
    auto* slider = w.findChild<ImageSlider*>(QStringLiteral("slider"));
    RYListView* types = w.preferenceViewController()->whiteListFileTypeView()->listView();
    ASSERT_TRUE(title && top && page && caption && chosen && field && typeBox && slider);
    QTest::mouseClick(w.findChild<RYSelectView*>(QStringLiteral("whiteListSelectView")), Qt::LeftButton, {},
                      QPoint(10, 10));
    const auto typeText = [&](int row) {
        auto* cell = static_cast<WhiteListTypeListViewCell*>(types->cellAt(row));
        return cell ? cell->typeNameLabel()->palette().color(QPalette::WindowText) : QColor();
    };
    const auto expectAppearance = [&](bool dark) {
        const auto named = [dark](const char* name) { return RYTDarkMode::colorNamed(QLatin1String(name), dark); };
        // The white list's categories lie below a style sheet, which keeps
        // Qt's own word of the change from them.
        EXPECT_EQ(typeText(1), named("PreferenceDefaultColor")) << dark;
        EXPECT_EQ(types->cellAt(0)->selectedColor(), named("PreferenceSelectedColor")) << dark;
        EXPECT_EQ(typeBox->borderColor(), named("PreferenceBoderColor")) << dark;
        EXPECT_EQ(slider->leftColor(), named("silderLeftColor")) << dark;
        EXPECT_EQ(slider->rightColor(), named("silderRightColor")) << dark;
        EXPECT_EQ(title->palette().color(QPalette::WindowText), named("TitleLabelColor")) << dark;
        EXPECT_EQ(top->backgroundColor(), named("PreferenceViewTopBGColor")) << dark;
        EXPECT_EQ(page->backgroundColor(), named("PreferenceViewBGColor")) << dark;
        EXPECT_EQ(caption->palette().color(QPalette::WindowText), named("PreferenceDefaultColor")) << dark;
        EXPECT_EQ(chosen->palette().color(QPalette::WindowText), named("PreferenceSelectedColor")) << dark;
        EXPECT_TRUE(field->styleSheet().contains(named("ButtonNormalUncertainColor").name(), Qt::CaseInsensitive))
            << dark;
    };
    const auto titleIs = [&](bool dark) {
        return title->palette().color(QPalette::WindowText) == RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), dark);
    };
    expectAppearance(false);
    // The desktop's change reaches the widgets through the event queue.
    QApplication::setPalette(QPalette(QColor(40, 42, 46)));
    ASSERT_TRUE(RYTDarkMode::isDarkMode());
    EXPECT_TRUE(waitUntil([&] { return titleIs(true); }));
    expectAppearance(true);
    QApplication::setPalette(QApplication::style()->standardPalette());
    EXPECT_TRUE(waitUntil([&] { return titleIs(false); }));
    expectAppearance(false);
}
