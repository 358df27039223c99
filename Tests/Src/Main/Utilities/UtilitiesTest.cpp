#include "Main/Utilities.h"

#include "Foundation/Bundle.h"
#include "QVBaseLib/RYLog.h"
#include "QVLibrary/RYTDarkMode.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QThread>

class UtilitiesTest : public TempHomeTest {
protected:
    void TearDown() override
    {
        Bundle::main().setResourcePath(QString());
        TempHomeTest::TearDown();
    }
};

TEST_F(UtilitiesTest, LogEntryHasTheExactLayout)
{
    EXPECT_EQ(logEntry({QStringLiteral("abc")}, "viewDidLoad()", "/src/Screen.ext", 12),
              QStringLiteral("viewDidLoad() in Screen.ext: 12\n                     abc"));
    EXPECT_EQ(logEntry({QStringLiteral("a"), QStringLiteral("b")}, "f", "plain.cpp", 1),
              QStringLiteral("f in plain.cpp: 1\n                     ab"));
}

TEST_F(UtilitiesTest, LogWritesOneEntryToTheLogFile)
{
    const int line = __LINE__ + 1;
    TSLOG("a", "b");
    QFile file(RYLog::shared().logPath() + QStringLiteral("/Twinsweep.log"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QString expected = QStringLiteral("TestBody in UtilitiesTest.cpp: %1\n").arg(line) + QString(21, QLatin1Char(' '))
                             + QStringLiteral("ab\n");
    EXPECT_TRUE(text.endsWith(expected)) << text.toStdString();
}

TEST_F(UtilitiesTest, DelayRunsOnTheMainQueueAfterTheTime)
{
    QElapsedTimer timer;
    timer.start();
    qint64 elapsed = -1;
    bool onMain = false;
    delay(0.1, [&] {
        elapsed = timer.elapsed();
        onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    ASSERT_TRUE(waitUntil([&] { return elapsed >= 0; }));
    EXPECT_GE(elapsed, 95);
    EXPECT_TRUE(onMain);
}

TEST_F(UtilitiesTest, ImageLookupFallsBackToTheDoubleSizeFile)
{
    Bundle::main().setResourcePath(scratch());
    QImage small(4, 4, QImage::Format_ARGB32);
    small.fill(Qt::blue);
    QImage large(8, 8, QImage::Format_ARGB32);
    large.fill(Qt::green);
    ASSERT_TRUE(large.save(scratch() + QStringLiteral("/icon@2x.png")));

    auto found = imageUncache(QStringLiteral("icon"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->width(), 8) << "only the double-size file exists";

    ASSERT_TRUE(small.save(scratch() + QStringLiteral("/icon.png")));
    found = imageUncache(QStringLiteral("icon"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->width(), 4) << "the plain file wins when both exist";

    EXPECT_FALSE(imageUncache(QStringLiteral("absent")).has_value());
    writeFile(QStringLiteral("broken.png"), "not an image");
    EXPECT_FALSE(imageUncache(QStringLiteral("broken")).has_value());
}

TEST_F(UtilitiesTest, ColourLookupGivesRedOnlyForAnEmptyName)
{
    EXPECT_EQ(assetColor(QString()), QColor(Qt::red));
    const QColor halfRed = assetColor(QString(), 0.5);
    EXPECT_EQ(halfRed.rgb(), QColor(Qt::red).rgb());
    EXPECT_NEAR(halfRed.alphaF(), 0.5, 0.01);

    RYTDarkMode::setForcedAppearance(0);
    const QColor light = assetColor(QStringLiteral("TitleLabelColor"));
    RYTDarkMode::setForcedAppearance(1);
    const QColor dark = assetColor(QStringLiteral("TitleLabelColor"));
    RYTDarkMode::setForcedAppearance(-1);
    EXPECT_TRUE(light.isValid());
    EXPECT_TRUE(dark.isValid());
    EXPECT_NE(light, dark) << "named colours follow the appearance";
    EXPECT_NE(light, QColor(Qt::red));
    EXPECT_FALSE(assetColor(QStringLiteral("NoSuchColour")).isValid());
}

TEST(CBSUtilitie, LinksCarryTheVersionQueryOnlyWhenAsked)
{
    // The shipped information list: "LinkHasVersion" = "1", a web edition, build "100".
    ASSERT_TRUE(CBSUtilitie::linkHasVersion());
    const QString build = Bundle::main().objectForInfoDictionaryKey(QStringLiteral("CFBundleVersion")).toString();
    EXPECT_EQ(CBSUtilitie::version(), QStringLiteral("&v=") + build);
    const QString guide = Bundle::main().objectForInfoDictionaryKey(QStringLiteral("GuideURL")).toString();
    EXPECT_EQ(CBSUtilitie::url(QStringLiteral("GuideURL"), true), std::optional<QUrl>(QUrl(guide + "&v=" + build)));
    EXPECT_EQ(CBSUtilitie::url(QStringLiteral("GuideURL"), false), std::optional<QUrl>(QUrl(guide)));
    EXPECT_FALSE(CBSUtilitie::url(QStringLiteral("NoSuchKey"), true).has_value());
    EXPECT_EQ(CBSUtilitie::aCFBundleName(), QStringLiteral("Twinsweep"));
}

TEST_F(UtilitiesTest, TypedDefaultsReadThroughTheHelper)
{
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("CloseView"));
    EXPECT_FALSE(userDefault<quint64>(QStringLiteral("CloseView")).has_value());
    UserDefaults::standardUserDefaults().setInteger(2, QStringLiteral("CloseView"));
    EXPECT_EQ(userDefault<quint64>(QStringLiteral("CloseView")), std::optional<quint64>(2));
}
