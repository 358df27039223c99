#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class MainMenu;
class QTimer;
class SheetWindowController;

// Plays a short script of user actions on the running program and writes
// what it sees to a log, for the program's own end-to-end tests, which start
// it as a child process: the real window, screens, engines and sheets, with
// the clicks made on the sheets' own buttons. It does nothing unless the
// environment names a script (TWINSWEEP_SESSION_SCRIPT) and a log
// (TWINSWEEP_SESSION_LOG); a normal start sets neither.
//
// One command a line, run in order; a command waits until it can act:
//   scan duplicates|large|images <folder>   start a scan as the home screen does
//   wait scanning                           until the scan's engine works
//   wait finished                           until the scan has ended
//   pause <milliseconds>                    let the program run on for that long
//   stop                                    press the scan screen's Stop button
//   close                                   close the main window
//   answer <button title>                   press that button of the sheet showing
// The log gets one line per event: "scanning", "finished stopped=<0|1>",
// "question: <message>" for every sheet shown, "answer <title> while
// scanning=<0|1>", and "done" once the script has run out.
class SessionScript : public QObject {
    Q_OBJECT
public:
    // Starts the script named by the environment, if any.
    static void startFromEnvironment(MainMenu& nib);

private:
    SessionScript(MainMenu& nib, QStringList commands, QString logPath);

    void tick();
    // Runs the next command; false while it must wait.
    bool runCommand(const QString& command);
    void watchSheets();
    bool scanRuns() const;
    bool scanStopped() const;
    void log(const QString& line) const;

    MainMenu& nib_;
    QStringList commands_;
    QString logPath_;
    QString mode_;
    QTimer* timer_;
    QPointer<SheetWindowController> lastSheet_;
    // When the pause under way ends; never while none runs.
    QDeadlineTimer pauseEnd_{QDeadlineTimer::Forever};
};
