#include "View/Extension/KPLExtensionView.h"

#include "QVBaseLib/Helper.h"
#include "QVLibrary/RYTFullSizeWindow.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include "TestSupport.h"

#include "DesktopDatabase.h"
#include "UrlCatcher.h"
#include "View/Extension/DesktopApplications.h"

#include <QAction>
#include <QDesktopServices>
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

    // Each is handed over once the desktop's applications were looked at.
    for (const QString& path : {document, scratch() + QStringLiteral("/bin"), program, launcher}) {
        const qsizetype before = catcher.opened.size();
        openFilePath(path);
        ASSERT_TRUE(waitUntil([&] { return catcher.opened.size() == before + 1; })) << path.toStdString();
    }
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

// The desktop's database as the opener reads it: an entry's own kinds and
// the kinds they are cases of, the user's removals, hidden entries, and the
// associations of mimeapps.list.
TEST_F(OpenFilePathTest, TheDesktopsApplicationsAreFoundAsTheOpenerFindsThem)
{
    DesktopDatabase desktop;
    const QByteArray source = QFile::encodeName(writeFile(QStringLiteral("main.c"), "int main() {}\n"));
    const QByteArray picture = QFile::encodeName(writeFile(QStringLiteral("a.png"), "\x89PNG\r\n\x1a\n"));
    EXPECT_FALSE(DesktopApplications::hasApplicationFor(source));
    EXPECT_TRUE(DesktopApplications::typesOf(source).contains(QStringLiteral("text/plain")));

    // A text editor opens C sources too; a removal in the user's list takes
    // it back for C sources only.
    desktop.addApplication(QStringLiteral("editor.desktop"), {QStringLiteral("text/plain")});
    EXPECT_TRUE(DesktopApplications::hasApplicationFor(source));
    writeFileBytes(QFile::encodeName(configHome()) + "/mimeapps.list", "[Removed Associations]\ntext/plain=editor.desktop;\n");
    EXPECT_FALSE(DesktopApplications::hasApplicationFor(source));

    // An association names an entry that must exist and not be hidden.
    EXPECT_FALSE(DesktopApplications::hasApplicationFor(picture));
    writeFileBytes(QFile::encodeName(configHome()) + "/mimeapps.list", "[Default Applications]\nimage/png=viewer.desktop;\n");
    EXPECT_FALSE(DesktopApplications::hasApplicationFor(picture));
    writeFileBytes(QFile::encodeName(dataHome()) + "/applications/viewer.desktop",
              "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %f\nHidden=true\n");
    EXPECT_FALSE(DesktopApplications::hasApplicationFor(picture));
    writeFileBytes(QFile::encodeName(dataHome()) + "/applications/viewer.desktop",
              "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %f\n");
    EXPECT_TRUE(DesktopApplications::hasApplicationFor(picture));
}

// The opener itself may fail (there is none on this desktop, or the
// platform has none): that is said too, not only logged.
TEST_F(OpenFilePathTest, AnOpenerThatFailsIsSaidAsWell)
{
    QMainWindow window;
    window.resize(800, 600);
    window.show();
    ModalOverlay::setApplicationMainWindow(&window);
    // No catcher of its own: the address goes to the platform, which on the
    // test platform opens nothing.
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    const QString document = writeFile(QStringLiteral("notes.txt"), "hello");
    openFilePath(document);
    ASSERT_TRUE(waitUntil([] {
        SheetWindowController* sheet = SheetWindowController::globalSheetController();
        return sheet && sheet->isShowing() && sheet->labelTextField()->text().contains(QStringLiteral("notes.txt"));
    }));
    EXPECT_TRUE(SheetWindowController::globalSheetController()->labelTextField()->text().contains(
        QStringLiteral("could not be opened")));
    SheetWindowController::endSheet();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    ModalOverlay::setApplicationMainWindow(nullptr);
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
