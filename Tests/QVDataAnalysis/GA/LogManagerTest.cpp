#include "RYGALogManager.h"

#include "Helper/QVDAHelper.h"

#include "BinaryPlistBuilder.h"
#include "Foundation/PropertyList.h"
#include "TestSupport.h"

#include <QFile>

namespace {

class LogManagerTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        useVersion(QStringLiteral("1.0.0"));
    }
    void TearDown() override
    {
        QVDAHelper::setBundleOverrideForTesting(std::nullopt);
        TempHomeTest::TearDown();
    }

    void useVersion(const QString& version)
    {
        QVariantMap info;
        if (!version.isNull()) {
            info.insert(QStringLiteral("CFBundleShortVersionString"), version);
        }
        QVDAHelper::setBundleOverrideForTesting(QVDAHelper::BundleOverride{QStringLiteral("test.bundle"), info});
    }

    // One start of the program at `now`.
    std::unique_ptr<RYGALogManager> launch(const QDateTime& now)
    {
        auto manager = std::make_unique<RYGALogManager>();
        manager->init();
        manager->setupDefault(now);
        return manager;
    }

    PlistDict config() const
    {
        return PropertyList::readFile(QVDAHelper::configPlistPath()).value_or(QVariant()).value<PlistDict>();
    }

    static QDateTime local(int day, int hour, int minute)
    {
        return QDateTime(QDate(2026, 3, day), QTime(hour, minute), Qt::LocalTime);
    }
};

}  // namespace

TEST_F(LogManagerTest, FirstRunRecordsVersionAndStartDate)
{
    const auto manager = launch(local(10, 10, 0));
    EXPECT_TRUE(manager->firstlaunch());
    EXPECT_FALSE(manager->firstUpdate());
    EXPECT_TRUE(manager->firstStartOnTheDay());
    EXPECT_TRUE(manager->isGA4());
    const PlistDict stored = config();
    EXPECT_EQ(stored.value(QStringLiteral("test.bundle_ga_versions")), QVariant(QVariantList{QStringLiteral("1.0.0")}));
    EXPECT_EQ(stored.value(QStringLiteral("StartDate")).toDateTime(), local(10, 10, 0));
}

TEST_F(LogManagerTest, SecondRunSameDayAndNewVersion)
{
    launch(local(10, 10, 0));
    const auto again = launch(local(10, 11, 30));
    EXPECT_FALSE(again->firstlaunch());
    EXPECT_FALSE(again->firstUpdate());
    EXPECT_FALSE(again->firstStartOnTheDay());
    EXPECT_EQ(config().value(QStringLiteral("StartDate")).toDateTime(), local(10, 11, 30));

    useVersion(QStringLiteral("2.0"));
    const auto updated = launch(local(10, 12, 0));
    EXPECT_FALSE(updated->firstlaunch());
    EXPECT_TRUE(updated->firstUpdate());
    EXPECT_EQ(config().value(QStringLiteral("test.bundle_ga_versions")),
              QVariant(QVariantList{QStringLiteral("1.0.0"), QStringLiteral("2.0")}));
}

TEST_F(LogManagerTest, NextDayCountsAsFirstStartOfTheDay)
{
    launch(local(10, 23, 59));
    EXPECT_TRUE(launch(local(11, 0, 1))->firstStartOnTheDay());
    EXPECT_TRUE(RYGALogManager::isSameDay(local(11, 0, 0), local(11, 23, 59)));
    EXPECT_FALSE(RYGALogManager::isSameDay(local(10, 23, 59), local(11, 0, 1)));
}

TEST_F(LogManagerTest, MissingVersionIsRecordedAsOnePointZero)
{
    useVersion(QString());
    launch(local(10, 10, 0));
    EXPECT_EQ(config().value(QStringLiteral("test.bundle_ga_versions")), QVariant(QVariantList{QStringLiteral("1.0")}));
}

TEST_F(LogManagerTest, UnreadableFileIsLeftUntouchedByBookkeeping)
{
    // Garbage, and damage that once aborted the program at start: a text
    // holding NUL (XML and binary, value and key) and a very deep archive.
    const char xmlNul[] = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>AppTerminationStatus</key>"
                          "<string>run\0ning</string></dict></plist>";
    BinaryPlistBuilder keyNul;
    BinaryPlistBuilder deep(4);
    int inner = deep.ascii("x");
    for (int i = 0; i < 100000; ++i) {
        inner = deep.array({inner});
    }
    const QList<QByteArray> damaged = {
        QByteArray("this is no property list"),
        QByteArray(xmlNul, sizeof xmlNul - 1),
        keyNul.build(keyNul.dict({keyNul.utf16(QStringLiteral("Start\u0000Date"))}, {keyNul.ascii("x")})),
        deep.build(inner),
    };
    const QString path = QVDAHelper::configPlistPath();
    for (const QByteArray& garbage : damaged) {
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(garbage);
        }
        const auto manager = launch(local(10, 10, 0));
        EXPECT_TRUE(manager->firstlaunch());
        EXPECT_FALSE(manager->firstUpdate());
        EXPECT_TRUE(manager->firstStartOnTheDay());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), garbage);
        file.close();

        // The termination status replaces it with a file holding only the status.
        manager->setTerminationStatus(QStringLiteral("running"));
        const PlistDict stored = config();
        EXPECT_EQ(stored.keys(), QStringList{QStringLiteral("AppTerminationStatus")});
    }
}

TEST_F(LogManagerTest, TerminationStatusKeepsTheOtherKeys)
{
    const auto manager = launch(local(10, 10, 0));
    manager->setTerminationStatus(QStringLiteral("running"));
    manager->setTerminationStatus(QStringLiteral("exited"));
    const PlistDict stored = config();
    EXPECT_EQ(stored.value(QStringLiteral("AppTerminationStatus")).toString(), QStringLiteral("exited"));
    EXPECT_TRUE(stored.contains(QStringLiteral("StartDate")));
    EXPECT_TRUE(stored.contains(QStringLiteral("test.bundle_ga_versions")));
    EXPECT_EQ(manager->terminationStatus(), QStringLiteral("exited"));
}

TEST_F(LogManagerTest, StartDateOfAnotherKindCountsAsAbsent)
{
    PlistDict dict;
    dict.insert(QStringLiteral("StartDate"), QStringLiteral("yesterday"));
    ASSERT_TRUE(PropertyList::writeFile(QVDAHelper::configPlistPath(), QVariant::fromValue(dict)));
    EXPECT_TRUE(launch(local(10, 10, 0))->firstStartOnTheDay());
    EXPECT_EQ(config().value(QStringLiteral("StartDate")).toDateTime(), local(10, 10, 0));
}
