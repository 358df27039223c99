#include "Logweave.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

QStringList spoolLines(const QString& folder)
{
    QFile file(folder + QStringLiteral("/reports.log"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class RecordingExporter : public LWExporter {
public:
    int32_t exportReport(const QByteArray& kind, const QByteArray& text) override
    {
        seen.append(kind + '|' + text);
        return status;
    }
    QList<QByteArray> seen;
    int32_t status = 0;
};

}  // namespace

class LogweaveTest : public TempHomeTest {};

TEST_F(LogweaveTest, SpoolsOneLinePerReport)
{
    LWExportObj object;
    const QString folder = scratch() + QStringLiteral("/GALog");
    object.setSpoolFolder(folder);
    EXPECT_EQ(object.ga4Report("&tid=abc&en=Done"), 0);
    EXPECT_EQ(object.dataReport("{\"a\": 1}", false), 0);
    EXPECT_EQ(object.dataReport("{\"b\":\n 2}", true), 0);
    EXPECT_EQ(spoolLines(folder), (QStringList{QStringLiteral("ga4 &tid=abc&en=Done"), QStringLiteral("data {\"a\": 1}"),
                                               QStringLiteral("data-test {\"b\":  2}")}));
}

TEST_F(LogweaveTest, ExporterDecidesTheStatus)
{
    LWExportObj object;
    EXPECT_EQ(object.ga4Report("q"), -1);  // nowhere to send
    auto recorder = std::make_shared<RecordingExporter>();
    object.setExporter(recorder);
    EXPECT_EQ(object.dataReport("{}", true), 0);
    recorder->status = 7;
    EXPECT_EQ(object.ga4Report("q"), 7);
    EXPECT_EQ(recorder->seen, (QList<QByteArray>{"data-test|{}", "ga4|q"}));

    // A spool folder that cannot be made is a failure, not a success.
    const QString blocker = writeFile(QStringLiteral("file"), "x");
    object.setSpoolFolder(blocker + QStringLiteral("/sub"));
    EXPECT_EQ(object.ga4Report("q"), -1);
}

TEST_F(LogweaveTest, SpoolIsPrivateAndRotatedKeepingOneOldFile)
{
    // The reports carry the e-mail address: folder 0700, file 0600, even
    // where an older run left them open to others.
    const QString folder = scratch() + QStringLiteral("/GALog");
    ASSERT_TRUE(QDir().mkpath(folder));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    writeFile(QStringLiteral("GALog/reports.log"), "old\n");
    ::chmod(QFile::encodeName(folder + QStringLiteral("/reports.log")).constData(), 0644);

    LWSpoolExporter spool(folder, 200);
    const QByteArray report(60, 'r');
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(spool.exportReport("ga4", report + QByteArray::number(i)), 0);
    }
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    for (const QString& name : {QStringLiteral("reports.log"), QStringLiteral("reports.log.1")}) {
        ASSERT_EQ(::stat(QFile::encodeName(folder + QLatin1Char('/') + name).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name.toStdString();
        EXPECT_LE(info.st_size, 200) << name.toStdString();
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{"reports.log", "reports.log.1"}));
    // Whole reports only, the newest last.
    const QStringList lines = spoolLines(folder);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), QStringLiteral("ga4 ") + QString::fromLatin1(report) + QStringLiteral("9"));
    for (const QString& line : lines) {
        EXPECT_EQ(line.size(), 4 + 61) << line.toStdString();
    }
}

TEST(LogweaveProcess, OneReportObjectPerProcess)
{
    EXPECT_NE(CreateExportObj(), nullptr);
    EXPECT_EQ(CreateExportObj(), CreateExportObj());
}
