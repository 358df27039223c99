#include "Foundation/Bundle.h"
#include "Foundation/Error.h"
#include "Foundation/NotificationCenter.h"

#include "TestSupport.h"

#include <QThread>

#include <memory>

TEST(Bundle, InformationListHoldsEveryKeyTheProgramReads)
{
    const Bundle& bundle = Bundle::main();
    for (const char* key :
         {"CFBundleIdentifier", "CFBundleName", "CFBundleDisplayName", "CFBundleVersion", "CFBundleShortVersionString",
          "pid", "WebMark", "LinkHasVersion", "GuideURL", "PrivacyURL", "UserURL", "HomeURL", "About",
          "OrderCommonURL", "ProductCommonURL", "HelpOnlineURL"}) {
        const QVariant v = bundle.objectForInfoDictionaryKey(QString::fromLatin1(key));
        EXPECT_EQ(v.metaType().id(), QMetaType::QString) << key;
        EXPECT_FALSE(v.toString().isEmpty()) << key;
    }
    EXPECT_EQ(bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleName")).toString(), QStringLiteral("Twinsweep"));
    EXPECT_FALSE(bundle.bundleIdentifier().isEmpty());
}

TEST(Bundle, ResourceFolderAndLocalisation)
{
    Bundle& bundle = Bundle::main();
    EXPECT_FALSE(bundle.resourcePath().isEmpty()) << "the test environment points at the built resources";
    EXPECT_TRUE(bundle.pathForResource(QStringLiteral("no-such-resource"), QStringLiteral("png")).isEmpty());
    // Without a translation the English text is its own key.
    EXPECT_EQ(localized("Don't remind me again."), QStringLiteral("Don't remind me again."));
}

TEST(NotificationCenter, DeliversByNameAndForgetsObserversWhoseOwnerIsGone)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    int shown = 0;
    int other = 0;
    auto owner = std::make_unique<QObject>();
    center.addObserver(owner.get(), QStringLiteral("FullScreenShown"), [&](const Notification& n) {
        ++shown;
        EXPECT_EQ(n.userInfo.value(QStringLiteral("k")).toInt(), 5);
    });
    center.addObserver(owner.get(), QStringLiteral("Other"), [&](const Notification&) { ++other; });
    center.post(QStringLiteral("FullScreenShown"), nullptr, {{QStringLiteral("k"), 5}});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(other, 0);
    owner.reset();
    center.post(QStringLiteral("FullScreenShown"), nullptr, {{QStringLiteral("k"), 5}});
    EXPECT_EQ(shown, 1);
}

TEST(NotificationCenter, AnObserverOnAnotherThreadRunsThere)
{
    QThread thread;
    thread.start();
    QObject owner;
    owner.moveToThread(&thread);
    std::atomic<QThread*> seen{nullptr};
    NotificationCenter::defaultCenter().addObserver(&owner, QStringLiteral("Ping"),
                                                    [&](const Notification&) { seen = QThread::currentThread(); });
    NotificationCenter::defaultCenter().post(QStringLiteral("Ping"));
    EXPECT_TRUE(waitUntil([&] { return seen.load() != nullptr; }));
    EXPECT_EQ(seen.load(), &thread);
    thread.quit();
    thread.wait();
}

TEST(Error, CarriesDescriptionAndReason)
{
    const Error e = Error::make(QStringLiteral("Remove"), 4, QStringLiteral("Not enough space."), QStringLiteral("Disk full"));
    EXPECT_EQ(e.localizedDescription(), QStringLiteral("Not enough space."));
    EXPECT_EQ(e.localizedFailureReason(), QStringLiteral("Disk full"));
    const Error bare = Error::make(QStringLiteral("Remove"), 2, QString());
    EXPECT_TRUE(bare.localizedDescription().contains(QStringLiteral("Remove")));
    EXPECT_TRUE(bare.localizedFailureReason().isEmpty());
}

TEST(Localized, KeysThatAreNamesGetTheirTextFromTheKeyTable)
{
    EXPECT_EQ(localized("Remove_Complete"), QStringLiteral("Done"));
    EXPECT_EQ(localized(QStringLiteral("Remove_Complete")), QStringLiteral("Done"));
    // English sentences stay their own text.
    EXPECT_EQ(localized("Loading..."), QStringLiteral("Loading..."));
    EXPECT_EQ(localized(QStringLiteral("Done")), QStringLiteral("Done"));
}
