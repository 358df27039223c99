#pragma once

#include <QDateTime>
#include <QString>

// One message from the user.
struct RYFFeedbackMessage {
    QString email;
    QString message;
    QString productID;
    QString productVersion;
    bool attachLogs = false;
    QString logsPath;  // the folder copied when attachLogs is set
    QDateTime date;
};

struct RYFFeedbackSaveResult {
    bool saved = false;
    QString folder;        // where the feedback now lies
    QString error;         // why nothing was saved
    int copiedLogFiles = 0;
    int failedLogFiles = 0;  // log files that could not be copied (the rest are)
};

// Saves feedback into a new folder under `<parent>/Feedback`, never into one
// that exists already: "feedback.txt" with the message and, when asked, a
// copy of the log folder under "Logs". Disk work only: call it off the main
// thread.
class RYFFeedbackStore {
public:
    static RYFFeedbackSaveResult save(const RYFFeedbackMessage& feedback, const QString& parentFolder);

    // A plausible e-mail address: one "@" with text before it and a dotted
    // domain after it, no blanks.
    static bool isValidEmail(const QString& email);
};
