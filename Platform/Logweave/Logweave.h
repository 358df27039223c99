#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include <QByteArray>
#include <QString>

#include "Foundation/RotatingLogFile.h"

// The report library. A report object takes two kinds of report: a JSON data
// report (with a test flag) and a GA4 measurement query. It hands each to an
// exporter; the status 0 means the report was taken, anything else that it
// was not.
//
// This build cannot reach the internet: the default exporter appends every
// report as one line to reports.log in the spool folder (set by the helper
// program to its own log folder). The reports carry the user's e-mail
// address, so the folder is made 0700 and the file 0600; the file is rotated
// at 10 MB to reports.log.1 like the program's own log:
//
//   data <json>            a data report
//   data-test <json>       a data report made with the test flag
//   ga4 <query>            a GA4 query
class LWExporter {
public:
    virtual ~LWExporter() = default;
    // kind is "data", "data-test" or "ga4"; returns the status.
    virtual int32_t exportReport(const QByteArray& kind, const QByteArray& text) = 0;
};

class LWSpoolExporter : public LWExporter {
public:
    explicit LWSpoolExporter(QString folder, qint64 maxSize = RotatingLogFile::defaultMaxSize);
    int32_t exportReport(const QByteArray& kind, const QByteArray& text) override;
    QString spoolPath() const;

private:
    std::mutex mutex_;
    QString folder_;
    RotatingLogFile file_;
};

class LWExportObj {
public:
    virtual ~LWExportObj() = default;

    // The two report operations.
    virtual int32_t dataReport(const QByteArray& json, bool testFlag);
    virtual int32_t ga4Report(const QByteArray& query);

    // Where reports go. Without an exporter nothing is taken (status -1).
    void setExporter(std::shared_ptr<LWExporter> exporter);
    std::shared_ptr<LWExporter> exporter() const;
    // Installs the default exporter spooling into `folder`.
    void setSpoolFolder(const QString& folder);

private:
    mutable std::mutex mutex_;
    std::shared_ptr<LWExporter> exporter_;
};

// The report object of the process (one per process, never destroyed).
LWExportObj* CreateExportObj();
