// The copies of a group in the program's own window at its scan size, where
// the result lists are narrow: four copies that differ only in one folder
// must read differently in both panels, the folder that tells them apart
// and the file's name in sight.

#include "ScanScreenFixture.h"

#include "Main/MainMenu.h"
#include "Manager/ScanManager.h"
#include "RYTFullSizeWindow.h"
#include "View/CustomView/KPLSwitchButton.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/DataDispaly/ElidedLabel.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListOutlineModel.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/DataDispaly/RowCountModel.h"
#include "View/LoadingView/LoadingViewController.h"

#include <QFontMetrics>
#include <QSet>

namespace {

const QStringList years{QStringLiteral("2021"), QStringLiteral("2022"), QStringLiteral("2023"), QStringLiteral("2024")};
const QString name = QStringLiteral("IMG_0001.jpg");

}  // namespace

class NarrowResultListTest : public ScanScreenTest {
protected:
    // Four copies of one picture, deep in folders that differ only in the
    // year, with the folder `trip` between the year and the name, scanned
    // to the result screen in the window's own scan size.
    ScanViewController* scanTheCopies(const QString& trip)
    {
        trip_ = trip;
        for (const QString& year : years) {
            writeFile(QStringLiteral("Pictures kept from the old family computer/Holidays/%1/%2/%3").arg(year, trip, name),
                      QByteArray(5000, 'p'));
        }
        ScanViewController* s = scanToResults(scratch() + QStringLiteral("/Pictures kept from the old family computer"),
                                              false);
        EXPECT_EQ(ScanManager::default_().totalFiles().size(), 1);
        EXPECT_LE(nib().window()->width(), 1000);
        return s;
    }
    bool settled(ScanViewController* s)
    {
        return !s->loadingViewCtr()->isLoading() && s->leftDataViewCtr()->reloadsInFlight() == 0;
    }
    // The path labels of the file rows as the rows paint them: four different
    // texts, each with its year's folder and the name, none of them whole.
    void expectFourDifferentCopies(CellViewDelegate* cells, const QList<QModelIndex>& rows)
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
            EXPECT_TRUE(label->text().endsWith(QStringLiteral("/%1/%2/%3").arg(years[i], trip_, name)));
            EXPECT_TRUE(shown.contains(QLatin1Char('/') + years[i] + QLatin1Char('/')));
            EXPECT_TRUE(shown.endsWith(QLatin1Char('/') + name));
            EXPECT_EQ(label->toolTip(), label->text());
            texts.insert(shown);
        }
        EXPECT_EQ(texts.size(), years.size());
    }

    QString trip_;
};

TEST_F(NarrowResultListTest, ThePreviewsFileListShowsWhereEachCopyDiffers)
{
    // The file list beside the preview is the narrowest: a short folder
    // between the year and the name.
    ScanViewController* s = scanTheCopies(QStringLiteral("trip"));
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(s->previewModel());
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    clickRowPart(preview->mainTableView(), preview->mainCells(), preview->mainModel()->index(0, 0), "fileNameLabel");
    ASSERT_TRUE(waitUntil([&] { return preview->subModel()->rowCount() == 4; }));
    QList<QModelIndex> rows;
    for (int row = 0; row < 4; ++row) {
        rows << preview->subModel()->index(row, 0);
    }
    expectFourDifferentCopies(preview->subCells(), rows);
}

TEST_F(NarrowResultListTest, TheListsRowsShowWhereEachCopyDiffers)
{
    ScanViewController* s = scanTheCopies(QStringLiteral("Weekend at the lake with the cousins"));
    ASSERT_NE(s, nullptr);
    clickCentre(s->modeSwitchBtn());
    ASSERT_FALSE(s->previewModel());
    ASSERT_TRUE(waitUntil([&] { return settled(s); }));
    RightDataListViewController* list = s->rightDataListViewCtr();
    RightDataListOutlineModel* model = list->outlineModel();
    ASSERT_EQ(list->filesArray().size(), 1);
    const DuplicateFilesPtr group = list->filesArray().first();
    if (!model->isExpanded(group.get())) {
        clickRowPart(list->outlineView(), list->cellDelegate(), model->indexOfGroup(group.get()), "arrowButton");
    }
    ASSERT_TRUE(model->isExpanded(group.get()));
    QList<QModelIndex> rows;
    for (int file = 0; file < 4; ++file) {
        rows << model->fileIndex(group.get(), file);
    }
    expectFourDifferentCopies(list->cellDelegate(), rows);
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

    // A relative path and a bare name are cut the same way.
    const QString relative = QStringLiteral("Holidays/2023/trip/IMG_0001.jpg");
    EXPECT_EQ(ElidedLabel::elidedPath(relative, metrics, metrics.horizontalAdvance(ellipsis + "/trip/IMG_0001.jpg")),
              ellipsis + QStringLiteral("/trip/IMG_0001.jpg"));
    EXPECT_TRUE(ElidedLabel::elidedPath(QStringLiteral("IMG_0001.jpg"), metrics, narrow).endsWith(QStringLiteral(".jpg")));
}
