#include "Foundation/Bundle.h"
#include "Foundation/PropertyList.h"
#include "Foundation/UserDefaults.h"

#include "DamagedSettings.h"
#include "Foundation/PropertyListFile.h"
#include "TestSupport.h"
#include "WithoutFileAccessOverride.h"

#include <QFile>
#include <QFileInfo>

#include <thread>
#include <vector>

class UserDefaultsTest : public TempHomeTest {};

TEST_F(UserDefaultsTest, LivesInTheConfigFolderAndSurvivesAReload)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults.path(), configHome() + QLatin1Char('/') + Bundle::main().bundleIdentifier() + ".plist");
    defaults.setInteger(3, QStringLiteral("CloseView"));
    defaults.setBool(true, QStringLiteral("flag"));
    defaults.setObject(QStringLiteral("text"), QStringLiteral("name"));
    defaults.setObject(QVariantList{1, 2}, QStringLiteral("list"));
    ASSERT_TRUE(QFileInfo::exists(defaults.path()));

    UserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("CloseView")), 3);
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("flag")));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("name")), QStringLiteral("text"));
    EXPECT_EQ(defaults.arrayForKey(QStringLiteral("list")).size(), 2);

    defaults.removeObjectForKey(QStringLiteral("flag"));
    UserDefaults::resetStandardUserDefaults();
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("flag")).isValid());
}

TEST_F(UserDefaultsTest, TypedReadNeverConfusesBooleansAndIntegers)
{
    UserDefaults& d = UserDefaults::standardUserDefaults();
    d.setBool(true, QStringLiteral("bool"));
    d.setInteger(2, QStringLiteral("uint"));
    d.setInteger(-1, QStringLiteral("negative"));
    d.setDouble(1.5, QStringLiteral("double"));
    d.setObject(QStringLiteral("2"), QStringLiteral("string"));

    for (int pass = 0; pass < 2; ++pass) {  // before and after the file is read back
        EXPECT_EQ(d.value<bool>(QStringLiteral("bool")), std::optional<bool>(true));
        EXPECT_FALSE(d.value<quint64>(QStringLiteral("bool")).has_value()) << "a Boolean read as unsigned";
        EXPECT_EQ(d.value<quint64>(QStringLiteral("uint")), std::optional<quint64>(2));
        EXPECT_FALSE(d.value<bool>(QStringLiteral("uint")).has_value()) << "an integer read as Boolean";
        EXPECT_FALSE(d.value<quint64>(QStringLiteral("negative")).has_value());
        EXPECT_EQ(d.value<qint64>(QStringLiteral("negative")), std::optional<qint64>(-1));
        EXPECT_FALSE(d.value<quint64>(QStringLiteral("double")).has_value());
        EXPECT_FALSE(d.value<quint64>(QStringLiteral("string")).has_value());
        EXPECT_FALSE(d.value<quint64>(QStringLiteral("absent")).has_value());
        UserDefaults::resetStandardUserDefaults();
    }
}

TEST_F(UserDefaultsTest, PlainReadsConvertLikeThePlatform)
{
    UserDefaults& d = UserDefaults::standardUserDefaults();
    d.setObject(QStringLiteral("YES"), QStringLiteral("yesText"));
    d.setObject(QStringLiteral("12"), QStringLiteral("numberText"));
    d.setInteger(0, QStringLiteral("zero"));
    d.setBool(true, QStringLiteral("bool"));
    EXPECT_TRUE(d.boolForKey(QStringLiteral("yesText")));
    EXPECT_FALSE(d.boolForKey(QStringLiteral("zero")));
    EXPECT_FALSE(d.boolForKey(QStringLiteral("absent")));
    EXPECT_EQ(d.integerForKey(QStringLiteral("numberText")), 12);
    EXPECT_EQ(d.integerForKey(QStringLiteral("bool")), 1);
    EXPECT_EQ(d.integerForKey(QStringLiteral("absent")), 0);
    EXPECT_EQ(d.stringForKey(QStringLiteral("zero")), QStringLiteral("0"));
    EXPECT_TRUE(d.stringForKey(QStringLiteral("bool")).isEmpty());
}

TEST_F(UserDefaultsTest, ADamagedFileIsSetAsideBeforeAWriteCouldReplaceIt)
{
    const QString path = UserDefaults::standardPath();
    PropertyList::takeSetAsideFiles();
    for (const auto& [kind, bytes] : DamagedSettings::samples()) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(DamagedSettings::write(path, bytes));
        UserDefaults::resetStandardUserDefaults();
        UserDefaults& d = UserDefaults::standardUserDefaults();
        EXPECT_FALSE(d.objectForKey(QStringLiteral("dupImageRemoveType")).isValid());
        const QList<PropertyList::SetAsideFile> told = PropertyList::takeSetAsideFiles();
        ASSERT_EQ(told.size(), 1);
        EXPECT_EQ(told.first().original, path);
        // The launch writes its counters at once; the damaged file is kept.
        d.setInteger(1, QStringLiteral("Start"));
        EXPECT_EQ(DamagedSettings::read(told.first().setAside), bytes);
        UserDefaults::resetStandardUserDefaults();
        EXPECT_EQ(d.integerForKey(QStringLiteral("Start")), 1);
        EXPECT_TRUE(PropertyList::takeSetAsideFiles().isEmpty());
        ASSERT_TRUE(QFile::remove(told.first().setAside));
    }
}

TEST_F(UserDefaultsTest, AFileThatCannotBeReadIsNeverReplaced)
{
    const QString path = configHome() + QStringLiteral("/locked.plist");
    const QByteArray bytes =
        PropertyList::serialize(QVariant::fromValue(PlistDict{{"dupImageRemoveType", 2}}), PropertyList::Format::xml)
            .value();
    ASSERT_TRUE(DamagedSettings::write(path, bytes));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::WriteOwner));
    bool stored = true;
    QVariant value;
    if (!runWithoutFileAccessOverride([&] {
            UserDefaults d(path);
            value = d.objectForKey(QStringLiteral("dupImageRemoveType"));
            d.setInteger(0, QStringLiteral("dupImageRemoveType"));
            stored = d.synchronize();
        })) {
        GTEST_SKIP() << "the permission override cannot be dropped here";
    }
    EXPECT_FALSE(value.isValid());
    EXPECT_FALSE(stored);
    EXPECT_EQ(DamagedSettings::read(path), bytes);
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNothing)
{
    UserDefaults& d = UserDefaults::standardUserDefaults();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&d, t] {
            for (int i = 0; i < 25; ++i) {
                d.setInteger(i, QStringLiteral("t%1-%2").arg(t).arg(i));
                (void)d.integerForKey(QStringLiteral("t0-0"));
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    UserDefaults::resetStandardUserDefaults();
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 25; ++i) {
            EXPECT_EQ(d.integerForKey(QStringLiteral("t%1-%2").arg(t).arg(i)), i);
        }
    }
}
