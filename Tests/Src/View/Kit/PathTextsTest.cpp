// Paths and file names are shown as they are on every screen: a name that
// looks like markup keeps its tags, in the labels and in the tool tips.
#include "TestSupport.h"

#include "Main/Utilities.h"
#include "Model/FileInfo.h"
#include "QuickLook/QLPreviewView.h"
#include "View/DataDispaly/CellLooks.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListSubTableCellView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewSubTableCellView.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QTextDocument>

namespace {

// What a label shows of its text: as wide as the whole text when it is
// plain; markup would lose its tags and draw narrower.
bool showsWhole(QLabel* label, const QString& text)
{
    return label->text() == text &&
           label->sizeHint().width() >= QFontMetrics(label->font()).horizontalAdvance(text);
}

// The text a tool tip shows.
QString tipShows(const QString& tip)
{
    if (!Qt::mightBeRichText(tip)) {
        return tip;
    }
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

}  // namespace

using PathTextsTest = TempHomeTest;

TEST_F(PathTextsTest, ToolTipsShowAPathAsItIsAndLeaveOtherTextsAlone)
{
    for (const QString& text : {QStringLiteral("/home/u/<b>x</b>.jpg"), QStringLiteral("<i>a & b</i>"),
                                QStringLiteral("/plain/path/a.jpg"), QStringLiteral("a < b > c")}) {
        EXPECT_EQ(tipShows(plainToolTip(text)), text) << text.toStdString();
    }
    // An ordinary path stays the very text.
    EXPECT_EQ(plainToolTip(QStringLiteral("/plain/path/a.jpg")), QStringLiteral("/plain/path/a.jpg"));
}

TEST_F(PathTextsTest, TheDuplicateFileRowsAndThePreviewCardShowANameAsItIs)
{
    const QString folder = scratch() + QStringLiteral("/<b>x</b>");  // two folders: "<b>x<" and "b>"
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/<i>y.xyzq");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x01\x02\x00\x03", 4));
    file.close();
    const FileInfo info(ResourceValueURL(QFile::encodeName(path), ResourceValues()));

    for (const bool remove : {false, true}) {
        RightDataListSubTableCellView outline(remove);
        CellLooks::showFile(&outline, info, 0, true, true, remove);
        EXPECT_TRUE(showsWhole(outline.fileNameLabel(), info.displayPath()));
        EXPECT_EQ(tipShows(outline.fileNameLabel()->toolTip()), info.displayPath());
        RightDataPreviewSubTableCellView preview(remove);
        CellLooks::showFile(&preview, info, 0, true, true, remove);
        EXPECT_TRUE(showsWhole(preview.fileNameLabel(), info.displayPath()));
    }

    QLPreviewView card;
    card.resize(400, 300);
    card.setPreviewItem(QFile::encodeName(path));
    ASSERT_TRUE(waitUntil([&] { return !card.isLoading(); }));
    EXPECT_EQ(card.cardNameLabel()->text(), QStringLiteral("<i>y.xyzq"));
    EXPECT_EQ(card.cardNameLabel()->textFormat(), Qt::PlainText);
}
