#include "GAEvent.h"
#include "RYGALogManager.h"

#include "Foundation/PropertyList.h"
#include "Helper/QVDAHelper.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

QByteArray archiveOf(const QString& className, const PlistDict& fields)
{
    PlistDict root = fields;
    root.insert(QStringLiteral("$class"), className);
    return PropertyList::serialize(QVariant::fromValue(root), PropertyList::Format::binary).value();
}

}  // namespace

TEST(GAEventArchive, FactoriesFillDefaultsAndKeepAbsentNames)
{
    const GAEvent plain = GAEvent::eventWithCategory(QString(), QString(), QVariant());
    EXPECT_EQ(plain.category(), QStringLiteral(""));
    EXPECT_FALSE(plain.category().isNull());
    EXPECT_EQ(plain.action(), QStringLiteral(""));
    EXPECT_EQ(plain.eventType(), QStringLiteral("event"));
    EXPECT_EQ(plain.coreFuncName(), QStringLiteral("null"));
    EXPECT_EQ(plain.coreFuncStep(), -1);

    const GAEvent core = GAEvent::eventWithEventType(QString(), QString(), 3, QStringLiteral("c"), QStringLiteral("a"),
                                                     QStringList{QStringLiteral("x")});
    EXPECT_TRUE(core.coreFuncName().isNull());
    EXPECT_TRUE(core.eventType().isNull());
    EXPECT_EQ(core.coreFuncStep(), 3);
}

TEST(GAEventArchive, RoundTripsEveryLabelShape)
{
    PlistDict dict;
    dict.insert(QStringLiteral("z"), QStringLiteral("1"));
    dict.insert(QStringLiteral("a"), QStringLiteral("2"));
    const QList<QVariant> shapes = {QVariant(QVariantList{}), QVariant(QVariantList{QStringLiteral("a"), 5}),
                                    QVariant::fromValue(dict), QVariant(QStringLiteral("null"))};
    for (const QVariant& labels : shapes) {
        const GAEvent event = GAEvent::eventWithEventType(QStringLiteral("type"), QStringLiteral("fn"), 7,
                                                          QStringLiteral("Scan"), QStringLiteral("Done"), labels);
        const std::optional<GAEvent> back = GAEvent::fromArchive(event.archivedData());
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->eventType(), QStringLiteral("type"));
        EXPECT_EQ(back->coreFuncName(), QStringLiteral("fn"));
        EXPECT_EQ(back->coreFuncStep(), 7);
        EXPECT_EQ(back->category(), QStringLiteral("Scan"));
        EXPECT_EQ(back->action(), QStringLiteral("Done"));
        EXPECT_EQ(back->labels().metaType(), labels.metaType());
        EXPECT_EQ(back->labels(), labels);
    }
    // A QStringList goes over the link as a list of texts.
    const GAEvent listed = GAEvent::eventWithCategory(QStringLiteral("c"), QStringLiteral("a"),
                                                      QStringList{QStringLiteral("one"), QStringLiteral("two")});
    EXPECT_EQ(GAEvent::fromArchive(listed.archivedData())->labels(),
              QVariant(QVariantList{QStringLiteral("one"), QStringLiteral("two")}));
}

TEST(GAEventArchive, MissingFieldsDecodeAsZeroNotAsDefaults)
{
    const std::optional<GAEvent> event = GAEvent::fromArchive(archiveOf(QStringLiteral("GAEvent"), {}));
    ASSERT_TRUE(event.has_value());
    EXPECT_TRUE(event->coreFuncName().isNull());
    EXPECT_EQ(event->coreFuncStep(), 0);
    EXPECT_TRUE(event->eventType().isNull());
    EXPECT_FALSE(event->labels().isValid());
}

TEST(GAEventArchive, WrongKindsAreLeftAloneAndUnknownKeysIgnored)
{
    PlistDict fields;
    fields.insert(QStringLiteral("_category"), 42);                      // number where text is declared
    fields.insert(QStringLiteral("_coreFuncStep"), QStringLiteral("9")); // text where a number is declared
    fields.insert(QStringLiteral("_action"), QStringLiteral("Done"));
    fields.insert(QStringLiteral("_somethingElse"), QStringLiteral("x"));
    const std::optional<GAEvent> event = GAEvent::fromArchive(archiveOf(QStringLiteral("GAEvent"), fields));
    ASSERT_TRUE(event.has_value());
    EXPECT_TRUE(event->category().isNull());
    EXPECT_EQ(event->coreFuncStep(), 0);
    EXPECT_EQ(event->action(), QStringLiteral("Done"));
}

TEST(GAEventArchive, RejectsOtherClassesAndNonArchives)
{
    const RYGALogManager manager;
    EXPECT_FALSE(GAEvent::fromArchive(manager.archivedData()).has_value());
    EXPECT_FALSE(RYGALogManager::fromArchive(GAEvent().archivedData()).has_value());
    EXPECT_FALSE(GAEvent::fromArchive(QByteArray("not an archive")).has_value());
    EXPECT_FALSE(GAEvent::fromArchive(QByteArray()).has_value());
    const QByteArray list =
        PropertyList::serialize(QVariant(QVariantList{1, 2}), PropertyList::Format::binary).value();
    EXPECT_FALSE(GAEvent::fromArchive(list).has_value());
    EXPECT_FALSE(GAEvent::fromArchive(archiveOf(QStringLiteral("NSObject"), {})).has_value());
}

// The program's own home is a scratch folder from the start, before any
// test's fixture: a test without one still writes nothing where the user
// keeps their data.
TEST(TestProgramHome, HomeAndEveryUserFolderLieInAScratchFolder)
{
    const QByteArray real = realUserHome();
    const QString home = QDir::homePath();
    ASSERT_FALSE(home.isEmpty());
    EXPECT_NE(QFile::encodeName(home), real);
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        const QString folder = qEnvironmentVariable(name);
        EXPECT_TRUE(folder.startsWith(home + QLatin1Char('/'))) << name << " is " << folder.toStdString();
    }
    for (const auto location : {QStandardPaths::GenericDataLocation, QStandardPaths::GenericConfigLocation,
                                QStandardPaths::GenericCacheLocation}) {
        EXPECT_TRUE(QStandardPaths::writableLocation(location).startsWith(home + QLatin1Char('/')));
    }
    EXPECT_TRUE(QVDAHelper::configPlistPath().startsWith(home + QLatin1Char('/')));
}

// Setting the termination status writes .config.plist: into this test's own home.
using RYGALogManagerArchive = TempHomeTest;

TEST_F(RYGALogManagerArchive, RoundTripsBooleanIntegerAndTextFields)
{
    RYGALogManager manager;
    manager.setPid(QStringLiteral("pid-1"));
    manager.setProductName(QStringLiteral("Twinsweep"));
    manager.setProductVersion(QStringLiteral("1.0.0"));
    manager.setGa4Identifier(QStringLiteral("G-1"));
    manager.setGaDimension(QStringLiteral("&cd1=x"));
    manager.setIsVip(true);
    manager.setPrintLog(true);
    manager.setFirstlaunch(true);
    manager.setKitType(-3);
    manager.setSourceType(2);
    manager.setTerminationStatus(QStringLiteral("running"));
    EXPECT_TRUE(QVDAHelper::configPlistPath().startsWith(dataHome() + QLatin1Char('/')));

    const std::optional<RYGALogManager> back = RYGALogManager::fromArchive(manager.archivedData());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->pid(), QStringLiteral("pid-1"));
    EXPECT_EQ(back->productName(), QStringLiteral("Twinsweep"));
    EXPECT_EQ(back->productVersion(), QStringLiteral("1.0.0"));
    EXPECT_EQ(back->ga4Identifier(), QStringLiteral("G-1"));
    EXPECT_EQ(back->gaDimension(), QStringLiteral("&cd1=x"));
    EXPECT_TRUE(back->isVip());
    EXPECT_TRUE(back->printLog());
    EXPECT_TRUE(back->firstlaunch());
    EXPECT_FALSE(back->firstUpdate());
    EXPECT_FALSE(back->isLogin());
    EXPECT_EQ(back->kitType(), -3);
    EXPECT_EQ(back->sourceType(), 2);
    EXPECT_EQ(back->terminationStatus(), QStringLiteral("running"));
    EXPECT_TRUE(back->email().isNull());
    // Decoding runs no bookkeeping: a blank archive stays blank.
    const std::optional<RYGALogManager> blank =
        RYGALogManager::fromArchive(archiveOf(QStringLiteral("RYGALogManager"), {}));
    ASSERT_TRUE(blank.has_value());
    EXPECT_FALSE(blank->isGA4());
    EXPECT_FALSE(blank->firstStartOnTheDay());
}
