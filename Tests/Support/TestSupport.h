#pragma once

#include <chrono>
#include <functional>

#include <QByteArray>
#include <QByteArrayList>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Runs the event loop until `condition` holds or `timeout` passes; returns
// whether the condition held. Never sleeps for a fixed time.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The whole test program's home: HOME and the XDG data, config, cache and
// state folders point into one fresh temporary folder from before anything
// reads them until the program ends, when the folder goes. The shared test
// mains make one first thing; a test that needs another home sets its own
// (TempHomeTest). The home of the user running the tests is never touched.
class ProgramScratchHome {
public:
    ProgramScratchHome();
    ~ProgramScratchHome();
    ProgramScratchHome(const ProgramScratchHome&) = delete;
    ProgramScratchHome& operator=(const ProgramScratchHome&) = delete;

    // False when no scratch home could be made, or the user's own home would
    // still be in use; the program must then not run a single test.
    bool ready() const { return ready_; }
    QByteArray path() const { return path_; }

private:
    QByteArray path_;
    bool ready_ = false;
};

// The user's home as the password database gives it, whatever HOME says.
QByteArray realUserHome();

// Points HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME at a fresh
// temporary folder for each test and re-reads the standard user defaults and
// the logger from there, so no test touches the user's files. The network
// counts as unreachable, so no usage event is sent unless a test asks for it.
class TempHomeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString home() const { return home_.path(); }
    QString dataHome() const { return home_.path() + QStringLiteral("/.local/share"); }
    QString configHome() const { return home_.path() + QStringLiteral("/.config"); }
    QString cacheHome() const { return home_.path() + QStringLiteral("/.cache"); }
    // A scratch folder inside the temporary home.
    QString scratch() const { return home_.path() + QStringLiteral("/scratch"); }

    // Writes a file (creating folders) and returns its path.
    QString writeFile(const QString& relativePath, const QByteArray& contents);

private:
    QTemporaryDir home_;
    QByteArray saved_[5];
};

// Writes a file at a path given as bytes (a name need not be UTF-8),
// creating the folders above it; false when it cannot.
bool writeFileBytes(const QByteArray& path, const QByteArray& contents);

// The names in `folder` as the system gives them, sorted ("." and ".."
// left out): QDir leaves out a name that is not valid UTF-8.
QByteArrayList entryNames(const QByteArray& folder);

// Every entry below `root`, links not followed: its path relative to
// `root` and "folder", "link to <target>" or "file: <contents>".
QMap<QString, QByteArray> treeSnapshot(const QString& root);

// Gives `to` the access and modification times of `from`, as `cp -p` does.
void copyTimes(const QString& from, const QString& to);

// Writes `bytes` over the start of the file at `path`, in place (the same
// file, its length kept: they must fit), and sets its access and
// modification times back to what they were, as `touch -d`, `rsync
// --inplace -t` or an editor that keeps the times leave a file: only its
// status-change time tells. Waits, on the clock and with a timeout, until
// that time has moved; false when it never did or the file could not be
// written.
bool rewriteInPlaceKeepingTimes(const QByteArray& path, const QByteArray& bytes);

// A small tmpfs of its own, mounted at a fresh temporary folder for as long
// as the object lives, so a test can run a real file system out of space.
// Mounting needs root; mounted() says whether it worked.
class SmallFileSystem {
public:
    explicit SmallFileSystem(int kilobytes);
    ~SmallFileSystem();
    bool mounted() const { return mounted_; }
    QString path() const { return folder_.path(); }
    // Takes every free block with one file, so the next write meets a full disk.
    void fill();

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
};

// A second view of a folder: `source` bind-mounted at a fresh temporary
// folder for as long as the object lives, as `mount --bind` makes one (the
// benchmarks scan the system's folders through such a view). Needs root;
// mounted() says whether it worked.
class BindMount {
public:
    explicit BindMount(const QString& source);
    ~BindMount();
    bool mounted() const { return mounted_; }
    QString path() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
};

// A fresh folder below /run/user/<uid>, where the desktop mounts network
// shares and phones for its user, for as long as the object lives. The
// runtime folders are made when missing and removed again with it (also when
// a test fails early); the programs that use one hold a lock on /run meanwhile,
// so one never removes what another still uses. valid() says whether it worked.
class UserRuntimeFolder {
public:
    UserRuntimeFolder();
    ~UserRuntimeFolder();
    UserRuntimeFolder(const UserRuntimeFolder&) = delete;
    UserRuntimeFolder& operator=(const UserRuntimeFolder&) = delete;
    bool valid() const { return !path_.isEmpty(); }
    QByteArray path() const { return path_; }

private:
    int lock_ = -1;
    QByteArrayList made_;  // outermost first
    QByteArray path_;
};

// True when the tests run as root (permission tests then inject failures).
bool runningAsRoot();

// Bytes this process has read so far: through read calls, and through the
// kernel's ring, which the read calls' count does not see. -1 when unknown.
qint64 bytesReadSoFar();
