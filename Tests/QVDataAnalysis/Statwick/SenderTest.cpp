#include "QVDAGASender.h"

#include "Helper/QVDAHelper.h"
#include "Helper/QVDALog.h"
#include "Logweave.h"

#include "Foundation/PropertyList.h"
#include "TestSupport.h"

#include "QVBaseLib/RYLog.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <condition_variable>
#include <sys/stat.h>

namespace {

class CaptureExporter : public LWExporter {
public:
    int32_t exportReport(const QByteArray& kind, const QByteArray& text) override
    {
        std::lock_guard lock(mutex);
        reports.append({kind, text});
        return 0;
    }
    QList<QPair<QByteArray, QByteArray>> taken()
    {
        std::lock_guard lock(mutex);
        // A copy with a buffer of its own, never shared with the list the
        // sender's thread appends to.
        return {reports.begin(), reports.end()};
    }
    std::mutex mutex;
    QList<QPair<QByteArray, QByteArray>> reports;
};

const QString s12(12, QLatin1Char(' '));
const QString s16(16, QLatin1Char(' '));

RYGALogManager exampleConfig()
{
    RYGALogManager config;
    config.setGa4Identifier(QStringLiteral("abc"));
    config.setProductName(QStringLiteral("P"));
    config.setProductVersion(QStringLiteral("1.0"));
    config.setGaDimension(QStringLiteral("&cd1=x"));
    config.setPid(QStringLiteral("pid"));
    return config;
}

GAEvent scanDone(const QVariant& labels)
{
    return GAEvent::eventWithCategory(QStringLiteral("Scan"), QStringLiteral("Done"), labels);
}

QJsonObject parsed(const QString& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
    return document.object();
}

// The label entries of a data report: the text between "event_action" and the close of "actions".
QString labelEntries(const QString& report)
{
    const QString start = QStringLiteral("\"event_action\":\"Done\",") + s16;
    const qsizetype from = report.indexOf(start) + start.size();
    return report.mid(from, report.indexOf(s12 + QStringLiteral("},")) - from);
}

}  // namespace

TEST(GASenderQuery, MatchesTheWorkedExample)
{
    EXPECT_EQ(QVDAGASender::ga4Query(scanDone(QStringList{QStringLiteral("a"), QStringLiteral("b")}), exampleConfig()),
              QStringLiteral("&tid=abc&ep.qv_productname=P&ep.qv_productversion=1.0&ep.qv_category=Scan"
                             "&ep.qv_action=Done&ep.qv_label1=a&ep.qv_label2=b&en=Done&ep.cd1=x&ep.event_type=event"
                             "&ep.core_func_name=null&ep.func_step=null"));
}

TEST(GASenderQuery, LabelsStepsAndEncoding)
{
    const RYGALogManager config = exampleConfig();
    const QString mixed = QVDAGASender::ga4Query(scanDone(QVariantList{QStringLiteral("a"), 5, QStringLiteral("b")}), config);
    EXPECT_TRUE(mixed.contains(QStringLiteral("&ep.qv_action=Done&ep.qv_label1=a&ep.qv_label3=b&en=Done")));
    EXPECT_TRUE(QVDAGASender::ga4Query(scanDone(QStringLiteral("null")), config)
                    .contains(QStringLiteral("&ep.qv_action=Done&ep.qv_label1=null&en=")));
    EXPECT_TRUE(QVDAGASender::ga4Query(scanDone(QStringList{}), config).contains(QStringLiteral("&ep.qv_label1=null&")));

    PlistDict dict;
    dict.insert(QStringLiteral("k2"), QStringLiteral("v2"));
    dict.insert(QStringLiteral("k1"), 1);
    dict.insert(QStringLiteral("k0"), QStringLiteral("v0"));
    EXPECT_TRUE(QVDAGASender::ga4Query(scanDone(QVariant::fromValue(dict)), config)
                    .contains(QStringLiteral("&ep.qv_label1=v2&ep.qv_label3=v0&en=")));

    const GAEvent stepped = GAEvent::eventWithEventType(QStringLiteral("event"), QString(), 7, QStringLiteral("a b&c=d"),
                                                        QStringLiteral("x/é"), QVariant());
    const QString query = QVDAGASender::ga4Query(stepped, config);
    EXPECT_TRUE(query.contains(QStringLiteral("&ep.qv_category=a%20b%26c%3Dd&ep.qv_action=x%2F%C3%A9&")));
    EXPECT_TRUE(query.endsWith(QStringLiteral("&ep.core_func_name=&ep.func_step=7")));

    RYGALogManager twoDimensions = exampleConfig();
    twoDimensions.setGaDimension(QStringLiteral("&cd1=a b&cd2=c"));
    EXPECT_TRUE(QVDAGASender::ga4Query(scanDone(QVariant()), twoDimensions)
                    .contains(QStringLiteral("&en=Done&ep.cd1=a%20b&ep.cd2=c&ep.event_type=")));
}

TEST(GASenderDataReport, ExactLayoutForAListOfTexts)
{
    RYGALogManager config = exampleConfig();
    const QString report = QVDAGASender::dataReport(scanDone(QStringList{QStringLiteral("a"), QStringLiteral("b")}), config);
    const QString expected =
        QStringLiteral("{") + s12 + QStringLiteral("\"actions\":") + s12 + QStringLiteral("{") + s16
        + QStringLiteral("\"core_func_name\":\"null\",") + s16 + QStringLiteral("\"func_step\":\"null\",") + s16
        + QStringLiteral("\"event_type\":\"event\",") + s16 + QStringLiteral("\"event_category\":\"Scan\",") + s16
        + QStringLiteral("\"event_action\":\"Done\",") + s16 + QStringLiteral("\"event_label1\":\"a\",\"event_label2\":\"b\"")
        + s12 + QStringLiteral("},") + s12 + QStringLiteral("\"brand\": \"") + QVDAHelper::macType() + QStringLiteral("\",")
        + s12 + QStringLiteral("\"model\": \"") + QVDAHelper::macModel() + QStringLiteral("\",") + s12
        + QStringLiteral("\"channel\": \"\",") + s12 + QStringLiteral("\"phone\": \"\",") + s12
        + QStringLiteral("\"email\": \"\",") + s12 + QStringLiteral("\"is_login\": 0,") + s12
        + QStringLiteral("\"is_new\": 0,") + s12 + QStringLiteral("\"is_vip\": 0,") + s12
        + QStringLiteral("\"pid\": \"pid\",") + s12 + QStringLiteral("\"product\": \"P\",") + s12
        + QStringLiteral("\"product_version\": \"1.0\",") + s12 + QStringLiteral("\"cross_end_id\": \"\",") + s12
        + QStringLiteral("\"rnclid\": \"\",") + s12 + QStringLiteral("\"source_type\": \"product\",") + s12
        + QStringLiteral("\"tools_version\": \"\",") + s12 + QStringLiteral("\"tools_lang\": \"\",") + s12
        + QStringLiteral("\"kit_type\": 0") + s12 + s12 + QStringLiteral("}");
    EXPECT_EQ(report, expected);
    const QJsonObject json = parsed(report);
    EXPECT_EQ(json.value(QStringLiteral("actions")).toObject().value(QStringLiteral("event_label2")).toString(),
              QStringLiteral("b"));
}

TEST(GASenderDataReport, EveryLabelShapeGivesValidJson)
{
    RYGALogManager config = exampleConfig();
    EXPECT_EQ(labelEntries(QVDAGASender::dataReport(scanDone(QVariantList{QStringLiteral("a"), 5, QStringLiteral("b")}), config)),
              QStringLiteral("\"event_label1\":\"a\",\"event_label3\":\"b\""));
    // A skipped last element leaves no stray comma.
    const QString trailing = QVDAGASender::dataReport(scanDone(QVariantList{QStringLiteral("a"), 5}), config);
    EXPECT_EQ(labelEntries(trailing), QStringLiteral("\"event_label1\":\"a\""));
    parsed(trailing);

    PlistDict dict;
    dict.insert(QStringLiteral("zeta"), QStringLiteral("1"));
    dict.insert(QStringLiteral("skip"), 2);
    dict.insert(QStringLiteral("al\"pha"), QStringLiteral("3"));
    const QString fromDict = QVDAGASender::dataReport(scanDone(QVariant::fromValue(dict)), config);
    EXPECT_EQ(labelEntries(fromDict), QStringLiteral("\"zeta\":\"1\",\"al\\\"pha\":\"3\""));
    EXPECT_EQ(parsed(fromDict).value(QStringLiteral("actions")).toObject().value(QStringLiteral("al\"pha")).toString(),
              QStringLiteral("3"));

    for (const QVariant& none : {QVariant(QStringLiteral("null")), QVariant(QStringLiteral("text")), QVariant()}) {
        const QString report = QVDAGASender::dataReport(scanDone(none), config);
        EXPECT_EQ(labelEntries(report), QStringLiteral("\"event_label1\":\"null\""));
        parsed(report);
    }

    const QString awkward = QStringLiteral("q\"b\\n\nt\t\x01/é");
    RYGALogManager odd = exampleConfig();
    odd.setEmail(awkward);
    const GAEvent event = GAEvent::eventWithEventType(QStringLiteral("event"), QStringLiteral("f"), 7, awkward,
                                                      QStringLiteral("Done"), QStringList{awkward});
    const QJsonObject json = parsed(QVDAGASender::dataReport(event, odd));
    const QJsonObject actions = json.value(QStringLiteral("actions")).toObject();
    EXPECT_EQ(actions.value(QStringLiteral("event_category")).toString(), awkward);
    EXPECT_EQ(actions.value(QStringLiteral("event_label1")).toString(), awkward);
    EXPECT_EQ(actions.value(QStringLiteral("func_step")).toString(), QStringLiteral("7"));
    EXPECT_EQ(json.value(QStringLiteral("email")).toString(), awkward);
}

TEST(GASenderDataReport, StartMarkerOnlyOnTheStartEvent)
{
    const GAEvent start = GAEvent::eventWithCategory(QStringLiteral("CrashRate"), QStringLiteral("Start"), QStringLiteral("null"));
    const QString closing = QStringLiteral("\"kit_type\": 0,") + s12;

    RYGALogManager installed = exampleConfig();
    installed.setFirstlaunch(true);
    installed.setFirstStartOnTheDay(true);
    const QString first = QVDAGASender::dataReport(start, installed);
    EXPECT_TRUE(first.endsWith(closing + QStringLiteral("\"entry\": \"install\"") + QString(20, QLatin1Char(' ')) + s12
                               + QStringLiteral("}")));
    EXPECT_EQ(parsed(first).value(QStringLiteral("entry")).toString(), QStringLiteral("install"));
    EXPECT_EQ(parsed(first).value(QStringLiteral("is_new")).toInt(), 1);
    const QString next = QVDAGASender::dataReport(scanDone(QVariant()), installed);
    EXPECT_FALSE(parsed(next).contains(QStringLiteral("entry")));

    RYGALogManager updated = exampleConfig();
    updated.setFirstUpdate(true);
    EXPECT_EQ(parsed(QVDAGASender::dataReport(start, updated)).value(QStringLiteral("entry")).toString(),
              QStringLiteral("update"));

    RYGALogManager plain = exampleConfig();
    plain.setIsStart(true);  // forces the marker into the next report, whatever the event
    EXPECT_EQ(parsed(QVDAGASender::dataReport(scanDone(QVariant()), plain)).value(QStringLiteral("entry")).toString(),
              QStringLiteral("icon"));
    EXPECT_FALSE(plain.isStart());

    RYGALogManager downloader = exampleConfig();
    downloader.setIsDownloader(true);
    EXPECT_FALSE(parsed(QVDAGASender::dataReport(start, downloader)).contains(QStringLiteral("entry")));
}

TEST(GASenderDataReport, StartMarkerFromTheConfigurationIsEscapedLikeAnyValue)
{
    // The configuration crosses the link with its marker; whatever it holds,
    // the report stays valid JSON and the marker's value comes through.
    RYGALogManager config = exampleConfig();
    config.setStrStart(QStringLiteral("\"entry\": \"say \"hi\" \\\"") + QString(20, QLatin1Char(' ')));
    EXPECT_EQ(parsed(QVDAGASender::dataReport(scanDone(QVariant()), config)).value(QStringLiteral("entry")).toString(),
              QStringLiteral("say \"hi\" \\"));
    EXPECT_TRUE(config.strStart().isEmpty());
    config.setStrStart(QStringLiteral("\"}, \"injected\": \"1"));
    const QJsonObject json = parsed(QVDAGASender::dataReport(scanDone(QVariant()), config));
    EXPECT_EQ(json.value(QStringLiteral("entry")).toString(), QStringLiteral("\"}, \"injected\": \"1"));
    EXPECT_FALSE(json.contains(QStringLiteral("injected")));
}

TEST(GASenderDataReport, SourceTypes)
{
    EXPECT_EQ(QVDAGASender::sourceTypeText(0), QStringLiteral("product"));
    EXPECT_EQ(QVDAGASender::sourceTypeText(1), QStringLiteral("downloader"));
    EXPECT_EQ(QVDAGASender::sourceTypeText(2), QStringLiteral("monitor"));
    EXPECT_EQ(QVDAGASender::sourceTypeText(3), QStringLiteral("web"));
    EXPECT_EQ(QVDAGASender::sourceTypeText(5), QStringLiteral(""));
    EXPECT_EQ(QVDAGASender::sourceTypeText(-1), QStringLiteral(""));
}

class GASenderTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        capture_ = std::make_shared<CaptureExporter>();
        CreateExportObj()->setExporter(capture_);
    }
    void TearDown() override
    {
        CreateExportObj()->setExporter(nullptr);
        TempHomeTest::TearDown();
    }
    std::shared_ptr<CaptureExporter> capture_;
};

TEST_F(GASenderTest, ReportsEachEventTwiceInOrder)
{
    QVDAGASender sender;
    sender.setGaManager(std::make_shared<RYGALogManager>(exampleConfig()));
    for (const char* action : {"one", "two", "three"}) {
        sender.sendGAEvent(GAEvent::eventWithCategory(QStringLiteral("C"), QString::fromLatin1(action), QVariant()));
    }
    sender.waitUntilAllOperationsAreFinished();
    const auto reports = capture_->taken();
    ASSERT_EQ(reports.size(), 6);
    const QList<QByteArray> actions = {"one", "two", "three"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reports[2 * i].first, QByteArray("ga4"));
        EXPECT_TRUE(reports[2 * i].second.contains("&ep.qv_action=" + actions[i] + "&"));
        EXPECT_EQ(reports[2 * i + 1].first, QByteArray("data"));
        EXPECT_TRUE(reports[2 * i + 1].second.contains("\"event_action\":\"" + actions[i] + "\""));
    }
}

TEST_F(GASenderTest, WithoutIdentifierOnlyTheDataReportAndWithoutReportObjectNothing)
{
    QVDAGASender sender;
    const GAEvent event = scanDone(QVariant());
    EXPECT_EQ(sender.dealGAEvent(event), -1);  // no configuration yet
    EXPECT_EQ(sender.dealDataAnalysisEvent(event), 0);
    RYGALogManager config = exampleConfig();
    config.setGa4Identifier(QString());
    config.setTestEnvironment(true);
    sender.setGaManager(std::make_shared<RYGALogManager>(config));
    EXPECT_EQ(sender.dealGAEvent(event), -1);
    EXPECT_EQ(sender.dealDataAnalysisEvent(event), 0);
    const auto reports = capture_->taken();
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[1].first, QByteArray("data-test"));

    LWExportObj* report = QVDAGASender::webLog();
    QVDAGASender::setWebLog(nullptr);
    sender.setGaManager(std::make_shared<RYGALogManager>(exampleConfig()));
    EXPECT_EQ(sender.dealGAEvent(event), -1);
    EXPECT_EQ(sender.dealDataAnalysisEvent(event), -1);
    QVDAGASender::setWebLog(report);
    EXPECT_EQ(capture_->taken().size(), 2);
}

namespace {

// Holds the reports of the first event until released, so the queue fills.
class GateExporter : public LWExporter {
public:
    int32_t exportReport(const QByteArray& kind, const QByteArray& text) override
    {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
        reports.append({kind, text});
        return 0;
    }
    void waitEntered()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return entered; });
    }
    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;
    QList<QPair<QByteArray, QByteArray>> reports;
};

}  // namespace

TEST_F(GASenderTest, WaitingEventsAreBoundedDroppingTheOldestAndLoggingIt)
{
    // Sends `actions` while the first one's reports are held; returns the
    // actions reported once released, and how many were dropped.
    const auto run = [&](const QList<QPair<QString, QVariant>>& events, qint64* dropped) {
        auto gate = std::make_shared<GateExporter>();
        CreateExportObj()->setExporter(gate);
        QVDAGASender sender;
        sender.setGaManager(std::make_shared<RYGALogManager>(exampleConfig()));
        for (qsizetype i = 0; i < events.size(); ++i) {
            sender.sendGAEvent(GAEvent::eventWithCategory(QStringLiteral("C"), events[i].first, events[i].second));
            if (i == 0) {
                gate->waitEntered();  // the first is being reported; the rest wait
            }
        }
        *dropped = sender.droppedEventCount();
        gate->release();
        sender.waitUntilAllOperationsAreFinished();
        QStringList actions;
        for (const auto& report : gate->reports) {
            if (report.first == "ga4") {
                const QByteArray query = report.second;
                const qsizetype at = query.indexOf("&ep.qv_action=") + 14;
                actions << QString::fromUtf8(query.mid(at, query.indexOf('&', at) - at));
            }
        }
        return actions;
    };

    const int extra = 5;
    QList<QPair<QString, QVariant>> many{{QStringLiteral("first"), QVariant()}};
    for (int i = 0; i < QVDAGASender::maxQueuedEvents + extra; ++i) {
        many.append({QString::number(i), QVariant()});
    }
    qint64 dropped = 0;
    QStringList actions = run(many, &dropped);
    EXPECT_EQ(dropped, extra);
    ASSERT_EQ(actions.size(), 1 + QVDAGASender::maxQueuedEvents);
    EXPECT_EQ(actions.at(0), QStringLiteral("first"));
    EXPECT_EQ(actions.at(1), QString::number(extra)) << "the oldest waiting ones go";
    EXPECT_EQ(actions.last(), QString::number(QVDAGASender::maxQueuedEvents + extra - 1));

    // Bytes count too: three events of 400 KB of labels cannot all wait.
    const QVariant big(QStringList{QString(200 * 1024, QLatin1Char('b'))});
    actions = run({{QStringLiteral("first"), QVariant()},
                   {QStringLiteral("big0"), big},
                   {QStringLiteral("big1"), big},
                   {QStringLiteral("big2"), big}},
                  &dropped);
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(actions, (QStringList{"first", "big1", "big2"}));

    QFile log(RYLog::shared().logPath() + QStringLiteral("/Twinsweep.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("GA event queue full: dropped the oldest 1 waiting event(s), 5 dropped so far"));
}

TEST_F(GASenderTest, HelperLogIsPrivateAndRotatedKeepingOneOldFile)
{
    const QString folder = scratch() + QStringLiteral("/Logs/GALog");
    QVDALog::shared().setLogPath(folder);
    QVDALog::shared().setLogName(QStringLiteral("Statwick"));
    QVDALog::shared().setMaxSize(400);
    for (int i = 0; i < 30; ++i) {
        QVDALogLine(QStringLiteral("line %1 e-mail someone@example.com").arg(i));
    }
    QVDALog::shared().setLogPath(QString());
    QVDALog::shared().setMaxSize(RotatingLogFile::defaultMaxSize);

    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{"Statwick.log", "Statwick.log.1"}));
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        ASSERT_EQ(::stat(QFile::encodeName(folder + QLatin1Char('/') + name).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        EXPECT_LE(info.st_size, 400);
    }
    QFile current(folder + QStringLiteral("/Statwick.log"));
    ASSERT_TRUE(current.open(QIODevice::ReadOnly));
    EXPECT_TRUE(current.readAll().trimmed().endsWith("line 29 e-mail someone@example.com"));
}

TEST_F(GASenderTest, StartMarkerLivesInTheReceivedConfiguration)
{
    QVDAGASender sender;
    RYGALogManager config = exampleConfig();
    config.setFirstlaunch(true);
    sender.setGaManager(std::make_shared<RYGALogManager>(config));
    sender.sendGAEvent(GAEvent::eventWithCategory(QStringLiteral("CrashRate"), QStringLiteral("Start"), QStringLiteral("null")));
    sender.sendGAEvent(scanDone(QVariant()));
    sender.waitUntilAllOperationsAreFinished();
    const auto reports = capture_->taken();
    ASSERT_EQ(reports.size(), 4);
    EXPECT_TRUE(reports[1].second.contains("\"entry\": \"install\""));
    EXPECT_FALSE(reports[3].second.contains("\"entry\""));
}
