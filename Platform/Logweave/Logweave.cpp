#include "Logweave.h"

#include "Foundation/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LWSpoolExporter::LWSpoolExporter(QString folder, qint64 maxSize) : folder_(std::move(folder)), file_(maxSize, 0600) {}

int32_t LWSpoolExporter::exportReport(const QByteArray& kind, const QByteArray& text)
{
    std::lock_guard lock(mutex_);
    if (folder_.isEmpty()) {
        return -1;
    }
    if (file_.path().isEmpty()) {
        QDir().mkpath(QFileInfo(folder_).absolutePath());
        if (!ensurePrivateFolder(QFile::encodeName(folder_))) {
            return -1;
        }
        file_.setPath(spoolPath());
    }
    // One report, one line: a line break inside a report would split it.
    QByteArray line = kind + ' ' + text;
    line.replace('\n', ' ').replace('\r', ' ');
    line.append('\n');
    if (!file_.append(line)) {
        file_.setPath(QString());
        return -1;
    }
    return 0;
}

QString LWSpoolExporter::spoolPath() const
{
    return folder_ + QStringLiteral("/reports.log");
}

int32_t LWExportObj::dataReport(const QByteArray& json, bool testFlag)
{
    const std::shared_ptr<LWExporter> target = exporter();
    return target ? target->exportReport(testFlag ? QByteArray("data-test") : QByteArray("data"), json) : -1;
}

int32_t LWExportObj::ga4Report(const QByteArray& query)
{
    const std::shared_ptr<LWExporter> target = exporter();
    return target ? target->exportReport(QByteArray("ga4"), query) : -1;
}

void LWExportObj::setExporter(std::shared_ptr<LWExporter> exporter)
{
    std::lock_guard lock(mutex_);
    exporter_ = std::move(exporter);
}

std::shared_ptr<LWExporter> LWExportObj::exporter() const
{
    std::lock_guard lock(mutex_);
    return exporter_;
}

void LWExportObj::setSpoolFolder(const QString& folder)
{
    setExporter(std::make_shared<LWSpoolExporter>(folder));
}

LWExportObj* CreateExportObj()
{
    static LWExportObj* object = new LWExportObj();
    return object;
}
