#include "ShellFixture.h"

#include "Foundation/UserDefaults.h"
#include "GA/RYGALogManager.h"
#include "Main/AppDelegate.h"
#include "Main/GACollectionManager.h"
#include "QVBaseLib/Helper.h"
#include "QVBaseLib/RYLog.h"

#include <QDate>
#include <QFile>

class UsageEventsTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        GACollectionManager& m = GACollectionManager::default_();
        m.setClickSelectViewCount(0);
        m.setIsClickAllView(true);
        m.setSliderValue(4);
    }
    static QString daysAgo(int days)
    {
        return QDate::currentDate().addDays(-days).toString(QStringLiteral("yyyy/MM/dd"));
    }
};

TEST_F(UsageEventsTest, IntervalEventsCountWholeDaysSinceTheLastScanOfTheirKind)
{
    GACollectionManager& m = GACollectionManager::default_();
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    m.collectionFileIntervalsGA();
    defaults.setObject(daysAgo(1), QStringLiteral("LargeIntervals"));
    m.collectionLargeIntervalsGA();
    defaults.setObject(QStringLiteral("not a date"), QStringLiteral("ImageIntervals"));
    m.collectionImageIntervalsGA();
    m.collectionFileIntervalsGA();

    const auto events = recorder->events();
    ASSERT_EQ(events.size(), 4);
    EXPECT_EQ(events[0].category, QStringLiteral("Process"));
    EXPECT_EQ(events[0].action, QStringLiteral("FileIntervals"));
    EXPECT_EQ(events[0].label, QStringLiteral("0"));
    // The large-file action keeps its leading blank.
    EXPECT_EQ(events[1].action, QStringLiteral(" LargeFileIntervals"));
    EXPECT_EQ(events[1].label, QStringLiteral("1"));
    EXPECT_EQ(events[2].action, QStringLiteral("ImageIntervals"));
    EXPECT_EQ(events[2].label, QStringLiteral("0"));
    EXPECT_EQ(events[3].label, QStringLiteral("0"));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("ImageIntervals")), daysAgo(0));

    defaults.setObject(daysAgo(30), QStringLiteral("FileIntervals"));
    recorder->clear();
    m.collectionFileIntervalsGA();
    EXPECT_TRUE(recorder->contains(QStringLiteral("Process"), QStringLiteral("FileIntervals"), QStringLiteral("30")));
}

TEST_F(UsageEventsTest, SelectionAndZoomEventsAtTheStartOfAnImageRemoval)
{
    GACollectionManager& m = GACollectionManager::default_();
    m.setClickSelectViewCount(3);
    m.collctionImageSelectedGA();
    m.setIsClickAllView(false);
    m.collctionImageSelectedGA();
    m.collectionZoomGA();
    for (int value : {0, 8}) {
        m.setSliderValue(value);
        m.collectionZoomGA();
    }
    m.setSliderValue(7);
    m.collectionZoomGA();

    const auto events = recorder->events();
    ASSERT_EQ(events.size(), 4);
    EXPECT_EQ(events[0].category, QStringLiteral("BeforeDeleter"));
    EXPECT_EQ(events[0].action, QStringLiteral("ImageSelected"));
    EXPECT_EQ(events[0].label, QStringLiteral("3_1"));
    EXPECT_EQ(events[1].label, QStringLiteral("3_2"));
    EXPECT_EQ(events[2].action, QStringLiteral("zoom"));
    EXPECT_EQ(events[2].label, QStringLiteral("4"));
    EXPECT_EQ(events[3].label, QStringLiteral("7"));
}

TEST_F(UsageEventsTest, NothingIsSentWhileTheNetworkIsUnreachable)
{
    Helper::setNetworkReachableOverride(false);
    GACollectionManager::default_().collectionFileIntervalsGA();
    AppDelegate delegate;
    delegate.gaCollection();
    EXPECT_TRUE(recorder->events().isEmpty());
    // The counters are kept all the same.
    EXPECT_EQ(UserDefaults::standardUserDefaults().value<qint64>(QStringLiteral("Start")), 1);
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("FileIntervals")), daysAgo(0));
}

TEST_F(UsageEventsTest, AnalyticsConfigurationCarriesTheProductAndChannel)
{
    AppDelegate delegate;
    delegate.setupDataCollection();
    RYGALogManager& manager = RYGALogManager::shared();
    EXPECT_FALSE(manager.printLog());
    EXPECT_TRUE(manager.isGA4());
    EXPECT_EQ(manager.pid(), QStringLiteral("twinsweep-linux"));
    EXPECT_EQ(manager.productVersion(), QStringLiteral("100"));
    EXPECT_EQ(manager.productName(), QStringLiteral("Twinsweep"));
    EXPECT_EQ(manager.phoneNumber(), QString());
    EXPECT_EQ(manager.gaDimension(),
              QStringLiteral("&cd1=100&cd3=web&cd4=") + AppDelegate::systemLanguageName());

    QFile log(RYLog::shared().logPath() + QStringLiteral("/Twinsweep.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.contains(QString(53, QLatin1Char('*'))));
    EXPECT_TRUE(text.contains(QStringLiteral("pid:              twinsweep-linux")));
    EXPECT_TRUE(text.contains(QStringLiteral("ProductVersion:   100")));
}

namespace {
ScanImagesItemPtr image(const QString& extension, const QString& dimension, bool selected = false)
{
    auto item = std::make_shared<ScanImagesItem>();
    item->setPathExtension(extension);
    item->setDimension(dimension.isNull() ? std::nullopt : std::optional<QString>(dimension));
    item->setIsSelect(selected);
    return item;
}

ScanImagesGroupItemPtr group(const QList<ScanImagesItemPtr>& items)
{
    auto made = std::make_shared<ScanImagesGroupItem>();
    made->setDupImageItems(items);
    return made;
}
}  // namespace

TEST_F(UsageEventsTest, SelectionResultCountsGroupsByTheFirstRuleThatFits)
{
    GACollectionManager::default_().collctionGSelectResult({
        group({image("jpg", "1x1", true)}),                                            // all
        group({image("jpg", "1x1", false)}),                                           // all but one
        group({image("jpg", "1x1", true), image("jpg", "1x1", true), image("jpg", "1x1")}),  // all but one
        group({image("jpg", "1x1", true), image("jpg", "1x1"), image("jpg", "1x1")}),  // some
        group({image("jpg", "1x1"), image("jpg", "1x1")}),                             // none
    });
    EXPECT_TRUE(recorder->contains(QStringLiteral("BeforeDeleter"), QStringLiteral("GSelectresult"),
                                   QStringLiteral("1_2_1_1")));
}

TEST_F(UsageEventsTest, ResultEventsNumberTenFormatsAndSizesAndCountUnsupportedImages)
{
    QList<ScanImagesItemPtr> many;
    for (int i = 0; i < 12; ++i) {
        many << image(QStringLiteral("e%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("%1x10").arg(100 + i));
    }
    many << image(QStringLiteral("JPG"), QString()) << image(QStringLiteral("jpg"), QString());
    GACollectionManager::sendResultEvents({group(many), group({image("RAS", "5x5"), image("ras", "5x5")}),
                                           group({image("png", "")})});

    QStringList formats;
    QStringList sizes;
    for (const auto& event : recorder->events()) {
        if (event.action == QLatin1String("FormatSN")) {
            formats << event.label;
        } else if (event.action == QLatin1String("ImageResolution")) {
            sizes << event.label;
        }
        EXPECT_EQ(event.category, QStringLiteral("Result"));
    }
    // "JPG" and "jpg" are two formats; the first ten in text order are sent.
    ASSERT_EQ(formats.size(), 10);
    EXPECT_EQ(formats.first(), QStringLiteral("JPG_1"));
    EXPECT_EQ(formats.at(1), QStringLiteral("RAS_2"));
    ASSERT_EQ(sizes.size(), 10);
    EXPECT_EQ(sizes.first(), QStringLiteral("100x10_1"));
    EXPECT_EQ(sizes.last(), QStringLiteral("109x10_10"));
    EXPECT_TRUE(recorder->contains(QStringLiteral("Result"), QStringLiteral("unsupport"), QStringLiteral("1_2")));
}

TEST_F(UsageEventsTest, ResultEventsArriveFromTheBackgroundCall)
{
    GACollectionManager::default_().collectionResultGA({group({image("gif", "2x2"), image("gif", "2x2")})});
    ASSERT_TRUE(waitUntil([&] { return recorder->contains(QStringLiteral("Result"), QStringLiteral("unsupport")); }));
    EXPECT_TRUE(recorder->contains(QStringLiteral("Result"), QStringLiteral("FormatSN"), QStringLiteral("gif_1")));
    EXPECT_TRUE(recorder->contains(QStringLiteral("Result"), QStringLiteral("ImageResolution"), QStringLiteral("2x2_1")));
}
