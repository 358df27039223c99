#pragma once

#include <QDialog>
#include <QFutureWatcher>

#include "RYFFeedbackStore.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;

// The feedback dialog: e-mail, message and whether to attach the logs. There
// is no server to send to, so Submit saves the feedback (with a copy of the
// log folder when asked) in a new folder under the application-support
// folder and shows the user where it lies.
class RYFFeedbackDialog : public QDialog {
    Q_OBJECT
public:
    explicit RYFFeedbackDialog(QWidget* parent = nullptr);

    QLineEdit* emailField() const { return email_; }
    QPlainTextEdit* messageField() const { return message_; }
    QCheckBox* attachLogsBox() const { return attachLogs_; }
    QPushButton* submitButton() const { return submit_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* doneButton() const { return done_; }
    // The warning or result text shown now.
    QString statusText() const;
    QString linksText() const;
    bool isSaving() const { return watcher_.isRunning(); }
    // After a successful save: the folder that holds the feedback.
    QString savedFolder() const { return savedFolder_; }
    bool showsResult() const;
    // The image of the result page.
    QLabel* okImageView() const { return okImage_; }

    void submit();
    // Reads the shared configuration again (links, colours, logs path).
    void applyTheme();
    // Only its colours and links, at any time: a style sheet set again also
    // gives the fields the application's present palette, which Qt's own
    // change leaves them without.
    void applyColors();

private:
    void saveFinished();

    QStackedWidget* pages_;
    QLabel* links_;
    QLineEdit* email_;
    QPlainTextEdit* message_;
    QCheckBox* attachLogs_;
    QLabel* status_;
    QProgressBar* progress_;
    QPushButton* cancel_;
    QPushButton* submit_;
    QLabel* okImage_;
    QLabel* result_;
    QPushButton* done_;
    QFutureWatcher<RYFFeedbackSaveResult> watcher_;
    QString savedFolder_;
};

class RYFFeedback {
public:
    // Opens the dialog, or brings the open one to the front. Over a
    // `parentWindow` it opens centred and keeps that window from input while
    // it is open.
    static void show(QWidget* parentWindow = nullptr);
    // The open dialog, if any.
    static RYFFeedbackDialog* currentDialog();
};
