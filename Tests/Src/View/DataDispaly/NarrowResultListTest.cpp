// The copies of a group in the program's own window at its scan size, where
// the result lists are narrow: four copies that differ only in one folder
// must read differently in both panels, the folder that tells them apart
// and the file's name in sight. And the large-file details in the same
// window, which at twice the scale is shorter than its own minimum.

#include "ScanScreenFixture.h"

#include "Main/MainMenu.h"
#include "Model/FileInfo.h"
#include "View/DataDispaly/CellLooks.h"
#include "Manager/ScanManager.h"
#include "RYTFullSizeWindow.h"
#include "View/CustomView/KPLSwitchButton.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/DataDispaly/ElidedLabel.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileTableCellView.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileTableModel.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/FilePreviewView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListOutlineModel.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/DataDispaly/RowCountModel.h"
#include "View/LoadingView/LoadingViewController.h"
#include "QVLibrary/RYTableView.h"
#include "QuickLook/QLImageView.h"
#include "QuickLook/QLPreviewView.h"

#include <QFontMetrics>
#include <QLabel>
#include <QSet>
#include <QTest>

namespace {

const QStringList years{QStringLiteral("2021"), QStringLiteral("2022"), QStringLiteral("2023"), QStringLiteral("2024")};

// Where a part shows in `pane`: its rectangle, cut by every view that holds it.
QRect shownRect(const QWidget* part, const QWidget* pane)
{
    QRect shown(part->mapTo(pane, QPoint()), part->size());
    for (const QWidget* holder = part->parentWidget(); holder && holder != pane; holder = holder->parentWidget()) {
        shown &= QRect(holder->mapTo(pane, QPoint()), holder->size());
    }
    return shown & pane->rect();
}

}  // namespace

class NarrowResultListTest : public ScanScreenTest {
protected:
    // Two pictures, four copies of each, deep in folders that differ only in
    // the year; between the year and the name a short folder for one of
    // them and a long one for the other. Scanned to the result screen in the
    // window's own scan size.
    ScanViewController* scanTheCopies()
    {
        for (const QString& year : years) {
            const QString holidays = QStringLiteral("Pictures kept from the old family computer/Holidays/") + year;
            writeFile(holidays + QStringLiteral("/trip/IMG_0001.jpg"), QByteArray(5000, 'p'));
            writeFile(holidays + QStringLiteral("/Weekend at the lake with the cousins/IMG_0002.jpg"),
                      QByteArray(6000, 'q'));
        }
        ScanViewController* s = scanToResults(scratch() + QStringLiteral("/Pictures kept from the old family computer"),
                                              false);
        EXPECT_EQ(ScanManager::default_().totalFiles().size(), 2);
        EXPECT_LE(nib().window()->width(), 1000);
        return s;
    }
    bool settled(ScanViewController* s)
    {
        return !s->loadingViewCtr()->isLoading() && s->leftDataViewCtr()->reloadsInFlight() == 0;
    }
    static int rowOf(const DuplicateFilesList& groups, const QString& name)
    {
        for (int row = 0; row < groups.size(); ++row) {
            if (groups[row]->infos().first()->name() == name) {
                return row;
            }
        }
        return -1;
    }
    // The path labels of a group's file rows as the rows paint them: four
    // different texts, each with its year's folder and the name, none of
    // them whole.
    void expectFourDifferentCopies(CellViewDelegate* cells, const QList<QModelIndex>& rows, const QString& name)
    {
        ASSERT_EQ(rows.size(), years.size());
        QSet<QString> texts;
        for (int i = 0; i < rows.size(); ++i) {
            QWidget* cell = cells->cellForIndex(rows[i]);
            ASSERT_NE(cell, nullptr);
            auto* label = cell->findChild<ElidedLabel*>(QStringLiteral("fileNameLabel"));
            ASSERT_NE(label, nullptr);
            const QString shown = label->shownText();
            SCOPED_TRACE(shown.toStdString());
            // The row is too narrow for the whole path, as in the window
            // where copies were told apart by their tool tips only.
            EXPECT_GT(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->contentsRect().width());
            EXPECT_TRUE(label->text().contains(QLatin1Char('/') + years[i] + QLatin1Char('/')));
            EXPECT_TRUE(shown.contains(QLatin1Char('/') + years[i] + QLatin1Char('/')));
            EXPECT_TRUE(shown.endsWith(QLatin1Char('/') + name));
            EXPECT_EQ(label->toolTip(), label->text());
            texts.insert(shown);
        }
        EXPECT_EQ(texts.size(), years.size());
    }
};

TEST_F(NarrowResultListTest, ThePreviewsFileListShowsWhereEachCopyDiffers)
{
    ScanViewController* s = scanTheCopies();
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(s->previewModel());
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    for (const QString& name : {QStringLiteral("IMG_0001.jpg"), QStringLiteral("IMG_0002.jpg")}) {
        SCOPED_TRACE(name.toStdString());
        const int row = rowOf(preview->filesArray(), name);
        ASSERT_GE(row, 0);
        clickRowPart(preview->mainTableView(), preview->mainCells(), preview->mainModel()->index(row, 0),
                     "fileNameLabel");
        ASSERT_TRUE(waitUntil([&] {
            return preview->subModel()->rowCount() == 4 && preview->detailFilesArray().first()->name() == name;
        }));
        QList<QModelIndex> rows;
        for (int file = 0; file < 4; ++file) {
            rows << preview->subModel()->index(file, 0);
        }
        expectFourDifferentCopies(preview->subCells(), rows, name);
    }
}

TEST_F(NarrowResultListTest, TheListsRowsShowWhereEachCopyDiffers)
{
    ScanViewController* s = scanTheCopies();
    ASSERT_NE(s, nullptr);
    clickCentre(s->modeSwitchBtn());
    ASSERT_FALSE(s->previewModel());
    ASSERT_TRUE(waitUntil([&] { return settled(s); }));
    RightDataListViewController* list = s->rightDataListViewCtr();
    RightDataListOutlineModel* model = list->outlineModel();
    for (const QString& name : {QStringLiteral("IMG_0001.jpg"), QStringLiteral("IMG_0002.jpg")}) {
        SCOPED_TRACE(name.toStdString());
        const int row = rowOf(list->filesArray(), name);
        ASSERT_GE(row, 0);
        const DuplicateFilesPtr group = list->filesArray().at(row);
        if (!model->isExpanded(group.get())) {
            clickRowPart(list->outlineView(), list->cellDelegate(), model->indexOfGroup(group.get()), "arrowButton");
        }
        ASSERT_TRUE(model->isExpanded(group.get()));
        QList<QModelIndex> rows;
        for (int file = 0; file < 4; ++file) {
            rows << model->fileIndex(group.get(), file);
        }
        expectFourDifferentCopies(list->cellDelegate(), rows, name);
    }
}

// A video, a picture and a file the previewer can only describe, each chosen
// with a click: the parts of the details pane lie apart and show whole. The
// preview is the one to give way where the pane is short (at twice the
// scale), and keeps its full height where the window has room for it.
TEST_F(NarrowResultListTest, TheLargeFileDetailsNeverLieOverOneAnother)
{
    writeSparse(QStringLiteral("l/movie.mp4"), 30'000'000);
    writeSparse(QStringLiteral("l/photo.jpg"), 20'000'000);
    writeSparse(QStringLiteral("l/disk.iso"), 12'000'000);
    ScanViewController* s = scanToResults(scratch() + QStringLiteral("/l"), true);
    ASSERT_NE(s, nullptr);
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    ASSERT_TRUE(waitUntil([&] { return table->sortsInFlight() == 0 && table->shownFiles().size() == 3; }));
    QWidget* pane = table->rightView();
    QWidget* preview = table->filePreviewView()->parentWidget();
    const bool roomy = pane->height() >= pane->sizeHint().height();
    for (int row = 0; row < 3; ++row) {
        const QString name = table->shownFiles().at(row)->name();
        SCOPED_TRACE(name.toStdString());
        const QRect rowRect = table->mainTableView()->visualRect(table->tableModel()->index(row, 0));
        QTest::mouseClick(table->mainTableView()->viewport(), Qt::LeftButton, {},
                          RightLargeFileTableCellView::nameRect(rowRect).center());
        ASSERT_TRUE(waitUntil([&] { return table->datesInFlight() == 0 && table->fileName()->text() == name; }));
        QList<QWidget*> parts{table->information(),  table->fileName(),          table->filePath(),
                              table->fileInfo(),     table->creatTimeTextLabel(), table->creatTimeLable(),
                              table->updateTimeTextLable(), table->updateTimeLabel(), table->lastOpenTimeTextLable(),
                              table->lastOpenTimeLable()};
        if (name == QStringLiteral("photo.jpg")) {
            parts << table->iconImage();
            if (roomy) {
                EXPECT_EQ(table->iconImage()->size(), QSize(202, 202));
                EXPECT_EQ(table->iconImage()->mapTo(pane, QPoint()).x(), pane->width() / 2 - 101);
            }
        } else if (name == QStringLiteral("disk.iso")) {
            QLPreviewView* card = table->filePreviewView()->previewView();
            ASSERT_TRUE(waitUntil([&] { return !card->isLoading(); }));
            ASSERT_EQ(card->shownKind(), QuickLook::PreviewContent::Kind::card);
            parts << card->cardIconView() << card->cardNameLabel() << card->cardSizeLabel();
        } else {
            parts << table->filePreviewView();
        }
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const QRect shown = shownRect(parts[i], pane);
            SCOPED_TRACE(parts[i]->objectName().toStdString() + " " + std::to_string(i));
            EXPECT_TRUE(parts[i]->isVisible());
            EXPECT_EQ(shown.size(), parts[i]->size()) << "cut";
            if (qobject_cast<QLabel*>(parts[i]) && parts[i] != table->iconImage()) {
                EXPECT_GE(parts[i]->height(), parts[i]->minimumSizeHint().height()) << "pressed";
            }
            for (qsizetype j = 0; j < i; ++j) {
                EXPECT_FALSE(shown.intersects(shownRect(parts[j], pane))) << "over part " << j;
            }
        }
        EXPECT_EQ(preview->height(), roomy ? 202 : qBound(120, preview->height(), 201));
    }
}

// The cut itself, at widths between those of the rows: whole folders leave
// from the front, as few as the width needs, and a name too long for the
// width keeps its end.
TEST(ElidedPathTest, FoldersLeaveFromTheFrontAndALongNameKeepsItsEnd)
{
    const QFontMetrics metrics(QFont(QStringLiteral("DejaVu Sans"), 10));
    const QString path = QStringLiteral("/home/ann/Pictures/Holidays/2023/trip/IMG_0001.jpg");
    const QString ellipsis(QChar(0x2026));
    EXPECT_EQ(ElidedLabel::elidedPath(path, metrics, metrics.horizontalAdvance(path)), path);

    for (int width = metrics.horizontalAdvance(path) - 1; width >= metrics.horizontalAdvance(ellipsis + "/IMG_0001.jpg");
         width -= 7) {
        SCOPED_TRACE(width);
        const QString shown = ElidedLabel::elidedPath(path, metrics, width);
        EXPECT_LE(metrics.horizontalAdvance(shown), width);
        ASSERT_TRUE(shown.startsWith(ellipsis + QLatin1Char('/'))) << shown.toStdString();
        const QString kept = shown.mid(1);
        ASSERT_TRUE(path.endsWith(kept));
        // One folder more would not have fitted.
        const qsizetype before = path.lastIndexOf(QLatin1Char('/'), path.size() - kept.size() - 1);
        if (before > 0) {
            EXPECT_GT(metrics.horizontalAdvance(ellipsis + path.mid(before)), width) << shown.toStdString();
        }
    }

    // Not even the name fits: it loses its middle, its extension stays.
    const int narrow = metrics.horizontalAdvance(QStringLiteral("IMG_0001.jpg")) - 2;
    const QString name = ElidedLabel::elidedPath(path, metrics, narrow);
    EXPECT_LE(metrics.horizontalAdvance(name), narrow);
    EXPECT_FALSE(name.contains(QLatin1Char('/'))) << name.toStdString();
    EXPECT_TRUE(name.contains(ellipsis));
    EXPECT_TRUE(name.endsWith(QStringLiteral(".jpg"))) << name.toStdString();

    // Folders further from the name that are to stay keep their place, and
    // those between them and the name give way; the front cut is taken
    // where it keeps them anyway.
    const qsizetype year = path.indexOf(QStringLiteral("2023"));
    const QString kept = ellipsis + QStringLiteral("/2023/") + ellipsis + QStringLiteral("/IMG_0001.jpg");
    EXPECT_EQ(ElidedLabel::elidedPath(path, metrics, metrics.horizontalAdvance(kept), year, year + 4), kept);
    const QString wider = ellipsis + QStringLiteral("/Holidays/2023/trip/IMG_0001.jpg");
    EXPECT_EQ(ElidedLabel::elidedPath(path, metrics, metrics.horizontalAdvance(wider), year, year + 4), wider);
    // Where they cannot stay, the name and its nearest folders do.
    EXPECT_EQ(ElidedLabel::elidedPath(path, metrics, metrics.horizontalAdvance(kept) - 1, year, year + 4),
              ellipsis + QStringLiteral("/trip/IMG_0001.jpg"));

    // A relative path and a bare name are cut the same way.
    const QString relative = QStringLiteral("Holidays/2023/trip/IMG_0001.jpg");
    EXPECT_EQ(ElidedLabel::elidedPath(relative, metrics, metrics.horizontalAdvance(ellipsis + "/trip/IMG_0001.jpg")),
              ellipsis + QStringLiteral("/trip/IMG_0001.jpg"));
    EXPECT_TRUE(ElidedLabel::elidedPath(QStringLiteral("IMG_0001.jpg"), metrics, narrow).endsWith(QStringLiteral(".jpg")));
}

// Where copies part: from the folder where they first differ to the one
// after which they agree again, on the displayed path.
TEST(ElidedPathTest, TheFoldersWhereCopiesDifferAreFoundOnTheirPaths)
{
    const auto file = [](const char* path) {
        return std::make_shared<FileInfo>(ResourceValueURL(QByteArray(path), ResourceValues()));
    };
    const QList<FileInfoPtr> years{file("/p/Holidays/2021/trip/a.jpg"), file("/p/Holidays/2022/trip/a.jpg"),
                                   file("/p/Holidays/2031/trip/a.jpg")};
    for (const FileInfoPtr& copy : years) {
        const auto [from, to] = CellLooks::differingFolders(*copy, years);
        EXPECT_EQ(copy->displayPath().mid(from, to - from), copy->displayPath().mid(12, 4));
    }
    // Names that differ are where they part; a name alone has no others.
    const QList<FileInfoPtr> names{file("/p/a/photo.jpg"), file("/p/a/photo copy.jpg")};
    const auto [from, to] = CellLooks::differingFolders(*names[1], names);
    EXPECT_EQ(names[1]->displayPath().mid(from, to - from), QStringLiteral("photo copy.jpg"));
    EXPECT_EQ(CellLooks::differingFolders(*names[0], {names[0]}), std::make_pair(qsizetype(-1), qsizetype(-1)));
    // Before a name that is not valid text the positions are those of the
    // displayed path still.
    const QList<FileInfoPtr> bytes{file("/p/\xe9t\xe9/x/a.jpg"), file("/p/\xc3\xa9t\xc3\xa9/y/a.jpg")};
    for (const FileInfoPtr& copy : bytes) {
        const auto [start, end] = CellLooks::differingFolders(*copy, bytes);
        const QString shown = copy->displayPath();
        EXPECT_EQ(shown.mid(start, end - start), shown.section(QLatin1Char('/'), 2, 3)) << shown.toStdString();
    }
}
