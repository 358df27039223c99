#include "PanelTestSupport.h"

#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QTest>

void RecordingScreen::leftDataViewUpdateViewSelected(bool viewSelected)
{
    calls << QStringLiteral("leftDataViewUpdateViewSelected(%1)").arg(viewSelected ? "true" : "false");
}

void RecordingScreen::leftDataViewShowFiles(const DuplicateFilesList& files)
{
    calls << QStringLiteral("leftDataViewShowFiles(%1)").arg(files.size());
    shownFiles = files;
    if (onShowFiles) {
        onShowFiles(files);
    }
}

void RecordingScreen::updateRightDataBox(bool notData)
{
    calls << QStringLiteral("updateRightDataBox(%1)").arg(notData ? "true" : "false");
}

void RecordingScreen::leftDataViewCtrReloadData(bool sort)
{
    calls << QStringLiteral("leftDataViewCtrReloadData(%1)").arg(sort ? "true" : "false");
    if (onReloadLeft) {
        onReloadLeft(sort);
    }
}

void PanelTest::SetUp()
{
    TempHomeTest::SetUp();
    window = std::make_unique<QMainWindow>();
    window->resize(1000, 640);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ModalOverlay::setApplicationMainWindow(window.get());
}

void PanelTest::TearDown()
{
    SheetWindowController::endSheet();
    ModalOverlay::setApplicationMainWindow(nullptr);
    window.reset();
    EXPECT_TRUE(ScanManager::default_().waitUntilIdle(60000));
    TempHomeTest::TearDown();
}

DuplicateFilesList PanelTest::scan(const QList<QPair<QString, QByteArray>>& files)
{
    for (const auto& file : files) {
        writeFile(QStringLiteral("tree/") + file.first, file.second);
    }
    ScanManager& engine = ScanManager::default_();
    engine.setFolderList({QFile::encodeName(scratch() + QStringLiteral("/tree"))});
    engine.scanDuplicateFile();
    EXPECT_TRUE(waitUntil([&] { return engine.scanFinished() && !engine.scaning(); }, std::chrono::seconds(60)));
    EXPECT_TRUE(engine.waitUntilIdle(60000));
    return engine.totalFiles();
}

DuplicateFilesPtr PanelTest::groupNamed(const DuplicateFilesList& groups, const QString& firstFileName)
{
    for (const DuplicateFilesPtr& group : groups) {
        if (!group->infos().isEmpty() && group->infos().first()->name() == firstFileName) {
            return group;
        }
    }
    return nullptr;
}

QStringList PanelTest::selectedNames(const DuplicateFiles& group)
{
    QStringList names;
    for (const FileInfoPtr& file : group.infos()) {
        if (file->selected()) {
            names << file->displayPath().section(QLatin1Char('/'), -2);
        }
    }
    return names;
}

void clickRowControl(QAbstractItemView* view, CellViewDelegate* cells, const QModelIndex& index,
                     const char* controlName)
{
    ASSERT_TRUE(index.isValid());
    view->scrollTo(index);
    QCoreApplication::processEvents();
    QWidget* cell = cells->cellForIndex(index);
    ASSERT_NE(cell, nullptr);
    auto* control = cell->findChild<QWidget*>(QString::fromLatin1(controlName));
    ASSERT_NE(control, nullptr) << controlName;
    const QRect place = cells->controlRect(index, control);
    ASSERT_TRUE(place.isValid());
    ASSERT_TRUE(view->viewport()->rect().contains(place.center()));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, place.center());
}

SheetWindowController* PanelTest::waitForSheet()
{
    SheetWindowController* sheet = nullptr;
    waitUntil([&] {
        sheet = SheetWindowController::globalSheetController();
        return sheet && sheet->isShowing() && sheet->determineBtn()->isVisible();
    });
    return sheet && sheet->isShowing() ? sheet : nullptr;
}

void PanelTest::answerSheet(bool yes, bool dontRemind)
{
    SheetWindowController* sheet = waitForSheet();
    ASSERT_NE(sheet, nullptr);
    if (dontRemind) {
        QTest::mouseClick(sheet->checkbox(), Qt::LeftButton);
    }
    // Two-button sheets put the answer 1 on the left (uncertainBtn).
    QTest::mouseClick(yes ? sheet->uncertainBtn() : sheet->determineBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([] { return !SheetWindowController::globalSheetController() ||
                                      !SheetWindowController::globalSheetController()->isShowing(); }));
}
