// The large-file panel's rows over a real scan: each row names the engine
// group it counts, its title, icon and bar colour; selected-only rows count
// the checked files of the engine's group as they are checked.

#include "LargeFilePanelSupport.h"

#include "Main/Utilities.h"
#include "View/DataDispaly/LeftData/LeftLargeDataListStyle.h"
#include "View/DataDispaly/LeftData/LeftLargeDataTimeStyle.h"
#include "View/DataDispaly/LeftData/LeftLargeDataTypeStyle.h"
#include "View/DataDispaly/CellLooks.h"

#include <gtest/gtest.h>

namespace {

class LargeFileRowsTest : public LargeFilePanelTest {
protected:
    void SetUp() override
    {
        LargeFilePanelTest::SetUp();
        writeEveryBand();
        scan();
        ASSERT_EQ(group(0)->fileCount(), 5);
    }

    // The row's numbers against its engine group, both flavours.
    void expectCounts(const LeftLargeDataRow& all, const LeftLargeDataRow& selected, int slot)
    {
        const DuplicateFilesPtr engineGroup = group(slot);
        EXPECT_EQ(all.files(), engineGroup) << "an all-files row shares the engine's group, slot " << slot;
        EXPECT_NE(selected.files(), engineGroup) << "a selected-only row has a group of its own";
        EXPECT_EQ(all.filesCount(), engineGroup->fileCount()) << slot;
        EXPECT_EQ(all.filesSize(), engineGroup->totalSize()) << slot;
        EXPECT_EQ(selected.filesCount(), 0) << slot;
        EXPECT_EQ(selected.filesSize(), 0u) << slot;
    }
};

struct RowCase {
    int raw;
    int slot;
    const char* title;
    const char* icon;
    int rgb;
};

TEST_F(LargeFileRowsTest, SizeRowsNameTheirBandsAndCountTheirGroups)
{
    const RowCase cases[] = {
        {0, 0, "All files", "largeFileTotal", 0x7A7EFF},
        {1, 1, "Over 5GB", "above5G", 0xFF8563},
        {2, 2, "1 GB to 5GB", "oneGBToFiveGB", 0xFFB04E},
        {3, 3, "500 MB  to 1 GB", "fiveHundredMBToOneGB", 0x5786FF},
        {4, 4, "10 MB to 500 MB", "tenMBToFiveHundredMB", 0x85D160},
    };
    for (const RowCase& c : cases) {
        const LeftLargeDataListStyle all(LeftLargeDataType(c.raw), false);
        const LeftLargeDataListStyle selected(LeftLargeDataType(c.raw), true);
        EXPECT_EQ(all.slot(), c.slot);
        EXPECT_EQ(all.titleName(), QString::fromUtf8(c.title));
        EXPECT_EQ(all.iconName(), QString::fromUtf8(c.icon));
        EXPECT_EQ(all.progressColorName(), c.rgb);
        EXPECT_EQ(all.progressColor(), color256((c.rgb >> 16) & 0xFF, (c.rgb >> 8) & 0xFF, c.rgb & 0xFF));
        expectCounts(all, selected, c.slot);
    }
    EXPECT_EQ(LeftLargeDataListStyle(LeftLargeDataType::tenMBToFiveHundredMB, false).filesCount(), 2);
}

TEST_F(LargeFileRowsTest, AgeRowsReadSlotsFiveToNineWithLastWeekInSlotEight)
{
    const RowCase cases[] = {
        {0, 0, "All files", "allFiles", 0x7A7EFF},   {1, 5, "1 Year Ago", "YearAgo", 0xFF8563},
        {2, 6, "1 Month Ago", "MonthAgo", 0x5786FF}, {3, 7, "1 Week Ago", "WeekAgo", 0xD692FF},
        {4, 8, "Last Week", "lastWeek", 0x5786FF},   {5, 9, "Today", "today", 0x85D160},
    };
    for (const RowCase& c : cases) {
        const LeftLargeDataTimeStyle all(LeftLargeTimeDataType(c.raw), false);
        const LeftLargeDataTimeStyle selected(LeftLargeTimeDataType(c.raw), true);
        EXPECT_EQ(all.slot(), c.slot);
        EXPECT_EQ(all.titleName(), QString::fromUtf8(c.title));
        EXPECT_EQ(all.iconName(), QString::fromUtf8(c.icon));
        EXPECT_EQ(all.progressColorName(), c.rgb);
        expectCounts(all, selected, c.slot);
    }
    EXPECT_EQ(names(LeftLargeDataTimeStyle(LeftLargeTimeDataType::largeFilesTypeDay, false).files()->infos()),
              QStringList{QStringLiteral("small.jpg")});
    EXPECT_EQ(names(LeftLargeDataTimeStyle(LeftLargeTimeDataType::largeFilesTypeToday, false).files()->infos()),
              QStringList{QStringLiteral("paper.pdf")});
}

TEST_F(LargeFileRowsTest, KindRowsKeepTheirKeysAndNamedColours)
{
    struct KindCase {
        LeftDataType type;
        int slot;
        const char* title;
        const char* icon;
        const char* color;
        const char* file;
    };
    const KindCase cases[] = {
        {LeftDataType::all, 0, "All files", "left_All Files", "LeftDataProgressAllColor", nullptr},
        {LeftDataType::video, 13, "Video", "left_Video", "LeftDataProgressVideoColor", "huge.mkv"},
        {LeftDataType::audio, 12, "Audio", "left_Audio", "LeftDataProgressAudioColor", "medium.mp3"},
        {LeftDataType::picture, 11, "Image", "left_Photos", "LeftDataProgressPhotosColor", "small.jpg"},
        {LeftDataType::document, 10, "Document", "left_Document", "LeftDataProgressDocumentColor", "paper.pdf"},
        {LeftDataType::other, 14, "Others", "left_Others", "LeftDataProgressOtherColor", "big.iso"},
    };
    for (const KindCase& c : cases) {
        const LeftLargeDataTypeStyle all(c.type, false);
        const LeftLargeDataTypeStyle selected(c.type, true);
        EXPECT_EQ(all.slot(), c.slot);
        EXPECT_EQ(all.titleName(), QString::fromUtf8(c.title));
        EXPECT_EQ(all.iconName(), QString::fromUtf8(c.icon));
        EXPECT_EQ(all.progressColorName(), QString::fromUtf8(c.color));
        EXPECT_EQ(all.progressColor(), CellLooks::lightColor(QString::fromUtf8(c.color)));
        expectCounts(all, selected, c.slot);
        if (c.file) {
            EXPECT_EQ(names(all.files()->infos()), QStringList{QString::fromUtf8(c.file)});
        }
    }
}

// Checking a file changes the selected-only numbers of every row that holds
// it at once, with no rebuild, and leaves the all-files numbers alone.
TEST_F(LargeFileRowsTest, SelectedOnlyRowsFollowTheChecksAsTheyHappen)
{
    const LeftLargeDataListStyle allBand(LeftLargeDataType::tenMBToFiveHundredMB, false);
    const LeftLargeDataListStyle checkedBand(LeftLargeDataType::tenMBToFiveHundredMB, true);
    const LeftLargeDataTimeStyle checkedToday(LeftLargeTimeDataType::largeFilesTypeToday, true);
    const LeftLargeDataTypeStyle checkedAll(LeftDataType::all, true);
    const LeftLargeDataTypeStyle checkedVideo(LeftDataType::video, true);

    for (const FileInfoPtr& file : group(0)->infos()) {
        if (file->name() == QLatin1String("paper.pdf") || file->name() == QLatin1String("huge.mkv")) {
            file->setSelected(true);
        }
    }
    EXPECT_EQ(checkedBand.filesCount(), 1);
    EXPECT_EQ(checkedBand.filesSize(), 30'000'000u);
    EXPECT_EQ(checkedToday.filesCount(), 1);
    EXPECT_EQ(checkedAll.filesCount(), 2);
    EXPECT_EQ(checkedAll.filesSize(), 6'030'000'000ULL);
    EXPECT_EQ(checkedVideo.filesSize(), 6'000'000'000ULL);
    EXPECT_EQ(allBand.filesCount(), 2);
    EXPECT_EQ(allBand.filesSize(), 50'000'000u);
    // The share of the all-files bytes never leaves 0…1.
    EXPECT_DOUBLE_EQ(checkedAll.progressValue(), 1.0);
    EXPECT_NEAR(checkedVideo.progressValue(), 6.0 / 6.03, 1e-9);
}

// Rows made before any scan, or for slots the engine does not hold, count
// nothing and still draw.
TEST_F(LargeFileRowsTest, ASlotTheEngineDoesNotHoldCountsAsEmpty)
{
    EXPECT_EQ(LeftLargeDataRow::engineGroup(15)->fileCount(), 0);
    EXPECT_EQ(LeftLargeDataRow::engineGroup(16)->fileCount(), 0);
    EXPECT_EQ(LeftLargeDataRow::engineGroup(-1)->fileCount(), 0);
    EXPECT_EQ(LeftLargeDataRow::countOf({}, true), 0);
}

}  // namespace
