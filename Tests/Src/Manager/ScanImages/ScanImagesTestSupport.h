#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "Manager/ScanImagesManager.h"

// A scripted image library behind the C interface: the test says what the
// search reports, and sees what the engine passed.
struct ScriptedLibrary {
    struct Call {
        QStringList paths;
        FindOptions options{};
        QStringList whiteList;
        int extensionCount = 0;
    };
    // Runs inside FindDuplicates with the two callbacks; returns its code.
    static std::function<int(FoundDupCallback, ProgressCallback)> script;
    static std::vector<Call> calls;
    static std::atomic<int> stops;
    static SimagexFunctions functions();
    static void reset();
};

void sendProgress(ProgressCallback progress, int type, double ratio, qint64 total, const QString& path);
// A report of one group, each member with its identity as lstat gives it now
// (none for a file that is not there).
void sendFound(FoundDupCallback found, const QString& source, const QStringList& members);
QJsonObject identityOf(const QString& path);

// Records every delegate call of both protocols.
class RecordingDelegate : public ScanImagesManagerDelegate, public ScanImagesRemoveManagerDelegate {
public:
    void scanImageManagerDidStart(ScanImagesManager*) override;
    void scanImagesManagerProgressDidChanged(ScanImagesManager*, double ratio, qint64 total, const QString& path) override;
    void scanImagesManagerScanData(ScanImagesManager*, const ScanImagesGroupList& groups) override;
    void scanImagesManagerScanDidFinished(ScanImagesManager*, int state) override;
    void scanImagesManagerScanDidStop(ScanImagesManager*, int state) override;
    void removeManagerDidStart(ScanImagesManager*) override;
    void removeManagerProgressDidChange(ScanImagesManager*, double progress) override;
    void removeManagerDidStop(ScanImagesManager*) override;
    void removeMangerDidFinish(ScanImagesManager*) override;

    QStringList events() const;
    std::vector<double> progress() const;
    std::function<void(double)> onRemoveProgress;
    std::function<void(double)> onScanProgress;

private:
    mutable std::mutex mutex_;
    QStringList events_;
    std::vector<double> progress_;
};
