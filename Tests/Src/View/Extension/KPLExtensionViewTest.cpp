#include "View/Extension/KPLExtensionView.h"

#include "QVBaseLib/Helper.h"
#include "QVLibrary/RYTFullSizeWindow.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include "TestSupport.h"

#include "UrlCatcher.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class OpenFilePathTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        Helper::setNetworkReachableOverride(false);
        SheetWindowController::endSheet();
    }
    void TearDown() override
    {
        SheetWindowController::endSheet();
        ModalOverlay::setApplicationMainWindow(nullptr);
        Helper::setNetworkReachableOverride(std::nullopt);
        TempHomeTest::TearDown();
    }
    UrlCatcher catcher;
};

TEST_F(OpenFilePathTest, OpensDocumentsAndFoldersButOnlyShowsRunnableFiles)
{
    const QString document = writeFile(QStringLiteral("notes.txt"), "hello");
    const QString program = writeFile(QStringLiteral("bin/tool"), "#!/bin/sh\necho run\n");
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    const QString launcher = writeFile(QStringLiteral("apps/editor.desktop"), "[Desktop Entry]\nExec=rm -rf /\n");

    openFilePath(document);
    openFilePath(scratch() + QStringLiteral("/bin"));
    openFilePath(program);
    openFilePath(launcher);

    ASSERT_EQ(catcher.opened.size(), 4);
    EXPECT_EQ(catcher.opened.at(0), QUrl::fromLocalFile(document));
    EXPECT_EQ(catcher.opened.at(1), QUrl::fromLocalFile(scratch() + QStringLiteral("/bin")));
    EXPECT_EQ(catcher.opened.at(2), QUrl::fromLocalFile(scratch() + QStringLiteral("/bin")));
    EXPECT_EQ(catcher.opened.at(3), QUrl::fromLocalFile(scratch() + QStringLiteral("/apps")));
}

TEST_F(OpenFilePathTest, AnEmptyPathDoesNothing)
{
    SheetWindowController* before = SheetWindowController::globalSheetController();
    openFilePath(QString());
    EXPECT_TRUE(catcher.opened.isEmpty());
    EXPECT_EQ(SheetWindowController::globalSheetController(), before);
}

TEST_F(OpenFilePathTest, AMissingFileShowsTheNoticeOverTheMainWindow)
{
    QMainWindow window;
    window.resize(800, 600);
    window.show();
    ModalOverlay::setApplicationMainWindow(&window);
    openFilePath(scratch() + QStringLiteral("/gone.mov"));
    EXPECT_TRUE(catcher.opened.isEmpty());
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isShowing());
    EXPECT_EQ(sheet->labelTextField()->text(),
              QStringLiteral("This file does not exist. It may be moved, renamed or deleted."));
    SheetWindowController::endSheet();

    ModalOverlay::setApplicationMainWindow(nullptr);
    window.hide();
    openFilePath(scratch() + QStringLiteral("/gone.mov"));
    EXPECT_EQ(SheetWindowController::globalSheetController(), sheet);
    EXPECT_FALSE(sheet->isShowing());
}

TEST(FullScreenSwitchTest, TurnsTheMainWindowToggleOnAndOffLater)
{
    RYTFullSizeWindow window;
    setMainWindowFullScreenButtonEnable(&window, false);
    EXPECT_TRUE(window.fullScreenAction()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !window.fullScreenAction()->isEnabled(); }));
    setMainWindowFullScreenButtonEnable(&window, true);
    ASSERT_TRUE(waitUntil([&] { return window.fullScreenAction()->isEnabled(); }));

    auto* gone = new RYTFullSizeWindow;
    setMainWindowFullScreenButtonEnable(gone, false);
    delete gone;
    setMainWindowFullScreenButtonEnable(nullptr, false);
    QMainWindow plain;
    setMainWindowFullScreenButtonEnable(&plain, false);
    // The queue runs in order: once this toggle has changed, the calls
    // before it have run without harm.
    setMainWindowFullScreenButtonEnable(&window, false);
    ASSERT_TRUE(waitUntil([&] { return !window.fullScreenAction()->isEnabled(); }));
}

class SampleCell : public QWidget {
    Q_OBJECT
};

class OtherCell : public QWidget {
    Q_OBJECT
};

TEST(CellNibTest, MakesTheCellOfItsClassOrNothing)
{
    registerCellNib<SampleCell>();
    registerCellNib(QStringLiteral("RemoveSampleCell"), [] {
        auto* cell = new SampleCell;
        cell->setObjectName(QStringLiteral("removal"));
        return cell;
    });
    registerCellNib(QStringLiteral("OtherCell"), [] { return new SampleCell; });

    std::unique_ptr<SampleCell> cell(createFromNib<SampleCell>());
    ASSERT_NE(cell, nullptr);
    std::unique_ptr<SampleCell> removal(createFromNib<SampleCell>(true));
    ASSERT_NE(removal, nullptr);
    EXPECT_EQ(removal->objectName(), QStringLiteral("removal"));
    EXPECT_EQ(createFromNib<OtherCell>(), nullptr);
    EXPECT_EQ(createFromNib<OtherCell>(true), nullptr);
}

QFont boldFont()
{
    QFont font;
    font.setBold(true);
    return font;
}

TEST(HighLightTextTest, EveryOccurrenceIsHighlightedAndNothingIsAdded)
{
    const QFont plain;
    const AttributedString text =
        highLightText(QStringLiteral("12 of 12"), plain, Qt::gray, QStringLiteral("12"), boldFont(), Qt::blue);
    EXPECT_EQ(text.string(), QStringLiteral("12 of 12"));
    ASSERT_EQ(text.runs.size(), 3);
    EXPECT_EQ(text.runs.at(0).text, QStringLiteral("12"));
    EXPECT_EQ(text.runs.at(0).color, QColor(Qt::blue));
    EXPECT_TRUE(text.runs.at(0).font.bold());
    EXPECT_EQ(text.runs.at(1).text, QStringLiteral(" of "));
    EXPECT_EQ(text.runs.at(1).color, QColor(Qt::gray));
    EXPECT_EQ(text.runs.at(2).text, QStringLiteral("12"));
    EXPECT_EQ(text.runs.at(2).color, QColor(Qt::blue));

    const AttributedString none =
        highLightText(QStringLiteral("no match"), plain, Qt::gray, QStringLiteral("zz"), boldFont(), Qt::blue);
    ASSERT_EQ(none.runs.size(), 1);
    EXPECT_EQ(none.runs.first().color, QColor(Qt::gray));
    EXPECT_TRUE(none.toHtml().contains(QStringLiteral("no match")));
}

TEST(HighLightTextTest, ARangeIsCountedInUtf16AndKeptInsideTheText)
{
    const QFont plain;
    const QString text = QStringLiteral("a") + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("b");
    const AttributedString styled = highLightText(text, plain, Qt::gray, TextRange{1, 2}, boldFont(), Qt::blue);
    ASSERT_EQ(styled.runs.size(), 3);
    EXPECT_EQ(styled.runs.at(1).text, QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(styled.string(), text);

    const AttributedString clipped = highLightText(text, plain, Qt::gray, TextRange{3, 50}, boldFont(), Qt::blue);
    EXPECT_EQ(clipped.string(), text);
    EXPECT_EQ(clipped.runs.last().text, QStringLiteral("b"));
    EXPECT_EQ(clipped.runs.last().color, QColor(Qt::blue));
    EXPECT_EQ(highLightText(text, plain, Qt::gray, TextRange{-4, 2}, boldFont(), Qt::blue).string(), text);
    EXPECT_TRUE(highLightText(QString(), plain, Qt::gray, TextRange{0, 3}, boldFont(), Qt::blue).runs.isEmpty());
}

TEST(PrintKPLTest, WritesTimeTypeFunctionAndLineQuotedOnOneLine)
{
    const QString line = printKPLText(QStringLiteral("say \"hi\""), QStringLiteral("ScanViewController"), 42, "reload");
    const QRegularExpression shape(QStringLiteral(
        "^\"\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ScanViewController reload 42\uFF1A\\\\nsay \\\\\"hi\\\\\"\"$"));
    EXPECT_TRUE(shape.match(line).hasMatch()) << line.toStdString();
    EXPECT_FALSE(line.contains(QLatin1Char('\n')));
}

class GuardedScreen : public ViewController {
    Q_OBJECT
public:
    bool busy = true;
    int entered = 0;
    int exited = 0;
    bool isShouldCloseWindow() override { return !busy; }
    void windowDidEnterFullScreen() override { ++entered; }
    void windowDidExitFullScreen() override { ++exited; }
};

TEST(ViewControllerHooksTest, ScreensAnswerThroughTheirOverridesOthersAgree)
{
    std::unique_ptr<GuardedScreen> screen(ViewController::initUseNibName<GuardedScreen>());
    QWidget* asWidget = screen.get();
    EXPECT_FALSE(isShouldCloseWindow(asWidget));
    screen->busy = false;
    EXPECT_TRUE(isShouldCloseWindow(asWidget));
    windowDidEnterFullScreen(asWidget);
    windowDidExitFullScreen(asWidget);
    windowDidExitFullScreen(asWidget);
    EXPECT_EQ(screen->entered, 1);
    EXPECT_EQ(screen->exited, 2);

    ViewController plainScreen;
    EXPECT_TRUE(isShouldCloseWindow(&plainScreen));
    QWidget other;
    EXPECT_TRUE(isShouldCloseWindow(&other));
    EXPECT_TRUE(isShouldCloseWindow(nullptr));
    windowDidEnterFullScreen(&other);
}

}  // namespace

#include "KPLExtensionViewTest.moc"
