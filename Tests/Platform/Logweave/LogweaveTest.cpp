#include "Logweave.h"

#include "TestSupport.h"

#include <QFile>

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

TEST(LogweaveProcess, OneReportObjectPerProcess)
{
    EXPECT_NE(CreateExportObj(), nullptr);
    EXPECT_EQ(CreateExportObj(), CreateExportObj());
}
