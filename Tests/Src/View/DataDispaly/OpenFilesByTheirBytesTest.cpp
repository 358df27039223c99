// Opening a duplicate from either right panel reaches the file by the bytes
// of its name, also when that name is not UTF-8.

#include "PanelDrivers.h"

#include "Foundation/ResourceValues.h"
#include "Window/SheetWindowController.h"

#include "UrlCatcher.h"

#include <QFile>
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

    // The one address opened so far, as the bytes of its path; no notice said
    // the file was missing.
    QByteArray openedPath() const
    {
        EXPECT_FALSE(SheetWindowController::globalSheetController()
                     && SheetWindowController::globalSheetController()->isShowing());
        return catcher.opened.size() == 1 ? FilePath::fromFileUrl(catcher.opened.first()) : QByteArray();
    }

    QByteArray odd() const { return tree + "/caf\xe9.bin"; }

    UrlCatcher catcher;
    QByteArray tree;
    int oddRow = -1;
    DuplicateFilesList groups;
};

TEST_F(OpenFilesByTheirBytesTest, FromTheListByDoubleClickAndByTheOpenButton)
{
    ListDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    driver.show(groups);
    driver.expand(groups[0]);
    KPLOutlineView* outline = driver.panel->outlineView();
    const QModelIndex file = driver.panel->outlineModel()->fileIndex(groups[0].get(), oddRow);
    const QPoint onFile = outline->visualRect(file).center() + QPoint(-100, 0);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, onFile);
    QTest::mouseDClick(outline->viewport(), Qt::LeftButton, {}, onFile);
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

}  // namespace

