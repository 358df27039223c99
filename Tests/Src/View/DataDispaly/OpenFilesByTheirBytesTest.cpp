// Opening a duplicate from either right panel reaches the file by the bytes
// of its name, also when that name is not UTF-8.

#include "PanelDrivers.h"

#include "Foundation/ResourceValues.h"
#include "Window/SheetWindowController.h"

#include "DesktopDatabase.h"
#include "QVLibrary/RYTButton.h"
#include "UrlCatcher.h"

#include <QFile>
#include <QLabel>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class OpenFilesByTheirBytesTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        tree = QFile::encodeName(scratch()) + "/tree";
        for (const QByteArray& name : {QByteArray("caf\xe9.bin"), QByteArray("copy.bin")}) {
            ASSERT_TRUE(writeFileBytes(tree + '/' + name, "the same bytes"));
        }
        ScanManager& engine = ScanManager::default_();
        engine.setFolderList({tree});
        engine.scanDuplicateFile();
        ASSERT_TRUE(waitUntil([&] { return engine.scanFinished() && !engine.scaning(); }));
        ASSERT_TRUE(engine.waitUntilIdle(60000));
        groups = engine.totalFiles();
        ASSERT_EQ(groups.size(), 1);
        ASSERT_EQ(groups[0]->infos().size(), 2);
        for (int i = 0; i < 2; ++i) {
            if (groups[0]->infos()[i]->path() == odd()) {
                oddRow = i;
            }
        }
        ASSERT_GE(oddRow, 0);
    }
    void TearDown() override
    {
        PanelTest::TearDown();
    }

    // The one address opened so far (the hand-over follows a look at the
    // desktop's applications, off the main thread), as the bytes of its
    // path; no notice said the file was missing or could not be opened.
    QByteArray openedPath() const
    {
        EXPECT_TRUE(waitUntil([this] { return !catcher.opened.isEmpty(); }));
        EXPECT_FALSE(SheetWindowController::globalSheetController()
                     && SheetWindowController::globalSheetController()->isShowing());
        return catcher.opened.size() == 1 ? FilePath::fromFileUrl(catcher.opened.first()) : QByteArray();
    }

    QByteArray odd() const { return tree + "/caf\xe9.bin"; }
    // The odd file's row in the list, chosen and then double-clicked.
    QModelIndex doubleClickInList(ListDriver& driver)
    {
        window->setCentralWidget(driver.panel);
        driver.show(groups);
        driver.expand(groups[0]);
        KPLOutlineView* outline = driver.panel->outlineView();
        const QModelIndex file = driver.panel->outlineModel()->fileIndex(groups[0].get(), oddRow);
        const QPoint onFile = outline->visualRect(file).center() + QPoint(-100, 0);
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, onFile);
        QTest::mouseDClick(outline->viewport(), Qt::LeftButton, {}, onFile);
        return file;
    }

    UrlCatcher catcher;
    QByteArray tree;
    int oddRow = -1;
    DuplicateFilesList groups;
};

TEST_F(OpenFilesByTheirBytesTest, FromTheListByDoubleClickAndByTheOpenButton)
{
    ListDriver driver(&screen, window.get());
    const QModelIndex file = doubleClickInList(driver);
    KPLOutlineView* outline = driver.panel->outlineView();
    EXPECT_EQ(openedPath(), odd());

    catcher.opened.clear();
    clickRowControl(outline, driver.panel->cellDelegate(), file, "openFileButton");
    EXPECT_EQ(openedPath(), odd());
}

TEST_F(OpenFilesByTheirBytesTest, FromThePreviewByDoubleClickAndByTheOpenButton)
{
    PreviewDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    driver.show(groups);
    driver.choose(groups[0]);
    QAbstractItemView* files = driver.panel->subTableView();
    const QModelIndex file = driver.panel->subModel()->index(oddRow, 0);
    const QPoint onFile = files->visualRect(file).center();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, onFile);
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, onFile);
    EXPECT_EQ(openedPath(), odd());

    catcher.opened.clear();
    clickRowControl(files, driver.panel->subCells(), file, "openFileButton");
    EXPECT_EQ(openedPath(), odd());
}

// A desktop that has a file manager but nothing that opens the file's kind:
// the double click and the open arrow say so, and the sheet's button shows
// the file's folder instead; cancelled, nothing is opened.
TEST_F(OpenFilesByTheirBytesTest, AFileNoApplicationOpensIsSaidSoAndCanBeShownInItsFolder)
{
    DesktopDatabase desktop;
    desktop.addApplication(QStringLiteral("files.desktop"), {QStringLiteral("inode/directory")});
    const auto sheetSaying = [](const QString& part) -> SheetWindowController* {
        SheetWindowController* sheet = waitForSheet();
        return sheet && sheet->labelTextField()->text().contains(part) ? sheet : nullptr;
    };
    const auto button = [](SheetWindowController* sheet, const QString& title) -> QWidget* {
        for (RYTButton* b : {sheet->uncertainBtn(), sheet->determineBtn()}) {
            if (b->isVisible() && b->text() == title) {
                return b;
            }
        }
        return nullptr;
    };
    const auto closed = [] {
        return waitUntil([] {
            return !SheetWindowController::globalSheetController()
                   || !SheetWindowController::globalSheetController()->isShowing();
        });
    };

    ListDriver driver(&screen, window.get());
    const QModelIndex file = doubleClickInList(driver);
    KPLOutlineView* outline = driver.panel->outlineView();
    SheetWindowController* sheet = sheetSaying(QStringLiteral("could not be opened"));
    ASSERT_NE(sheet, nullptr) << "nothing told the user";
    EXPECT_TRUE(sheet->labelTextField()->text().contains(QFile::decodeName("caf\xe9.bin")));
    EXPECT_TRUE(catcher.opened.isEmpty());
    QWidget* cancel = button(sheet, QStringLiteral("Cancel"));
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(closed());
    EXPECT_TRUE(catcher.opened.isEmpty());

    clickRowControl(outline, driver.panel->cellDelegate(), file, "openFileButton");
    sheet = sheetSaying(QStringLiteral("could not be opened"));
    ASSERT_NE(sheet, nullptr);
    QWidget* show = button(sheet, QStringLiteral("Show in Folder"));
    ASSERT_NE(show, nullptr);
    QTest::mouseClick(show, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return catcher.opened.size() == 1; }));
    EXPECT_EQ(FilePath::fromFileUrl(catcher.opened.first()), tree);

    // No file manager either: the folder is not shown, and the user is told.
    DesktopDatabase bare;
    catcher.opened.clear();
    clickRowControl(outline, driver.panel->cellDelegate(), file, "openFileButton");
    sheet = sheetSaying(QStringLiteral("could not be opened"));
    ASSERT_NE(sheet, nullptr);
    QTest::mouseClick(button(sheet, QStringLiteral("Show in Folder")), Qt::LeftButton);
    sheet = sheetSaying(QStringLiteral("could not be shown"));
    ASSERT_NE(sheet, nullptr) << "the folder's failure went unsaid";
    QTest::mouseClick(button(sheet, QStringLiteral("OK")), Qt::LeftButton);
    ASSERT_TRUE(closed());
    EXPECT_TRUE(catcher.opened.isEmpty());
}

}  // namespace

