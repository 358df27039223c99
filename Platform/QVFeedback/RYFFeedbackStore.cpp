#include "RYFFeedbackStore.h"

#include "Foundation/Bundle.h"
#include "Foundation/FileManager.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// A folder that did not exist before this call; empty when none can be made.
QString makeNewFolder(const QString& parent, const QString& baseName)
{
    if (!QDir().mkpath(parent)) {
        return {};
    }
    QDir dir(parent);
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? baseName : QStringLiteral("%1 %2").arg(baseName).arg(n);
        // mkdir fails on an existing folder, so two savers never share one.
        if (dir.mkdir(name)) {
            return dir.filePath(name);
        }
        if (!dir.exists(name)) {
            return {};
        }
    }
    return {};
}

void copyLogs(const QString& from, const QString& to, RYFFeedbackSaveResult& result)
{
    const QDir source(from);
    if (from.isEmpty() || !source.exists()) {
        return;
    }
    // Regular files only; links are not followed, so nothing outside the log
    // folder is copied.
    QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() || !info.isFile()) {
            continue;
        }
        const QString target = to + QLatin1Char('/') + source.relativeFilePath(path);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(path, target)) {
            ++result.failedLogFiles;
            continue;
        }
        ++result.copiedLogFiles;
    }
}

}  // namespace

bool RYFFeedbackStore::isValidEmail(const QString& email)
{
    static const QRegularExpression pattern(QStringLiteral("^[^@\\s]+@[^@\\s.]+(\\.[^@\\s.]+)+$"));
    return pattern.match(email.trimmed()).hasMatch();
}

RYFFeedbackSaveResult RYFFeedbackStore::save(const RYFFeedbackMessage& feedback, const QString& parentFolder)
{
    RYFFeedbackSaveResult result;
    if (parentFolder.isEmpty()) {
        result.error = localized("There is no folder to save it in.");
        return result;
    }
    const QDateTime date = feedback.date.isValid() ? feedback.date : QDateTime::currentDateTime();
    const QString folder = makeNewFolder(parentFolder + QStringLiteral("/Feedback"),
                                         date.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")));
    if (folder.isEmpty()) {
        result.error = localized("The feedback folder cannot be created.");
        return result;
    }

    if (feedback.attachLogs) {
        copyLogs(feedback.logsPath, folder + QStringLiteral("/Logs"), result);
    }

    QString text;
    text += QStringLiteral("Date: %1\n").arg(date.toString(Qt::ISODate));
    text += QStringLiteral("Product: %1\n").arg(feedback.productID);
    text += QStringLiteral("Version: %1\n").arg(feedback.productVersion);
    text += QStringLiteral("E-mail: %1\n").arg(feedback.email.trimmed());
    if (feedback.attachLogs) {
        text += QStringLiteral("Logs: %1 files attached").arg(result.copiedLogFiles);
        if (result.failedLogFiles > 0) {
            text += QStringLiteral(", %1 could not be copied").arg(result.failedLogFiles);
        }
        text += QLatin1Char('\n');
    }
    text += QStringLiteral("\n%1\n").arg(feedback.message);

    // Whole or not at all: a full disk must never leave an empty message
    // that passes for a saved one.
    Error error;
    if (!FileManager::default_().writeFileAtomically(QFile::encodeName(folder + QStringLiteral("/feedback.txt")),
                                                     text.toUtf8(), &error)) {
        // The system's reason ("No space left on device") says why.
        result.error = error.localizedFailureReason().isEmpty() ? error.localizedDescription()
                                                                 : error.localizedFailureReason();
        // The folder was made by this call and holds nothing of value now.
        QDir(folder).removeRecursively();
        return result;
    }
    result.saved = true;
    result.folder = folder;
    return result;
}
