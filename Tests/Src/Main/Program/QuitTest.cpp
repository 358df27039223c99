// Quitting under a running scan, with the real program: it runs as a child
// process on a temporary home, offscreen, and plays a session script (a
// scan, the window's close, a press on the close question's button).
#include "Foundation/PropertyList.h"

#include "TestSupport.h"

#include <QDir>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Many small files: a walk over them takes a good while, and none of them
// is large or an image.
void makeWideTree(const QString& root)
{
    for (int d = 0; d < 500; ++d) {
        const QByteArray folder = QFile::encodeName(root + QStringLiteral("/d%1").arg(d));
        ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
        for (int f = 0; f < 200; ++f) {
            const int fd = ::open((folder + "/f" + QByteArray::number(f) + ".txt").constData(),
                                  O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
}

class QuitTest : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite()
    {
        // In memory where there is a file system for it: a hundred thousand
        // files are made there in a moment. /dev is the system's own, which
        // no scan takes, so the trees are reached through a view of them.
        const bool inMemory = QDir(QStringLiteral("/dev/shm")).exists() && runningAsRoot();
        trees_ = inMemory ? new QTemporaryDir(QStringLiteral("/dev/shm/twinsweep-quit-XXXXXX")) : new QTemporaryDir;
        ASSERT_TRUE(trees_->isValid());
        if (inMemory) {
            view_ = new BindMount(trees_->path());
            ASSERT_TRUE(view_->mounted());
        }
        // Three equal files of 512 MiB, sparse: their digests take seconds.
        ASSERT_TRUE(QDir().mkpath(trees_->path() + QStringLiteral("/duplicates")));
        for (int i = 0; i < 3; ++i) {
            QFile file(trees_->path() + QStringLiteral("/duplicates/copy%1.bin").arg(i));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_TRUE(file.resize(512LL * 1024 * 1024));
        }
        ASSERT_TRUE(QDir().mkpath(trees_->path() + QStringLiteral("/wide")));
        makeWideTree(trees_->path() + QStringLiteral("/wide"));
        // Big flat pictures: small files that take the image search a while
        // to decode.
        QImage picture(2000, 2000, QImage::Format_RGB888);
        picture.fill(QColor(40, 90, 200));
        const QString first = trees_->path() + QStringLiteral("/wide/picture0.png");
        ASSERT_TRUE(picture.save(first));
        for (int i = 1; i < 16; ++i) {
            ASSERT_TRUE(QFile::copy(first, trees_->path() + QStringLiteral("/wide/picture%1.png").arg(i)));
        }
    }
    static void TearDownTestSuite()
    {
        delete view_;
        view_ = nullptr;
        delete trees_;
        trees_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir().mkpath(home()));
        ASSERT_TRUE(QDir().mkpath(dir_.path() + QStringLiteral("/run")));
        QFile::setPermissions(dir_.path() + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // A scan root must lie in the home folder; the tree is reached
        // through a link there, as a folder on another disk often is.
        const QString tree = QString::fromLatin1(GetParam()) == QLatin1String("duplicates") ? QStringLiteral("duplicates")
                                                                                          : QStringLiteral("wide");
        const QString trees = view_ ? view_->path() : trees_->path();
        ASSERT_TRUE(QFile::link(trees + QLatin1Char('/') + tree, home() + QStringLiteral("/Tree")));
    }

    void TearDown() override
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    QString home() const { return dir_.path() + QStringLiteral("/home"); }
    QString support() const { return home() + QStringLiteral("/.local/share/example.twinsweep.Twinsweep"); }

    // Starts the program with a script that first starts a scan of the
    // tree in the mode under test and waits until it works.
    void start(const QStringList& rest)
    {
        const QStringList script = QStringList{QStringLiteral("scan %1 %2/Tree").arg(QString::fromLatin1(GetParam()), home()),
                                               QStringLiteral("wait scanning")}
                                   + rest;
        QFile file(dir_.path() + QStringLiteral("/script"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(script.join(QLatin1Char('\n')).toUtf8());
        file.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home() + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home() + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home() + QStringLiteral("/.cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path() + QStringLiteral("/run"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TWINSWEEP_SESSION_SCRIPT"), file.fileName());
        env.insert(QStringLiteral("TWINSWEEP_SESSION_LOG"), dir_.path() + QStringLiteral("/session.log"));
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(dir_.path());
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(TWINSWEEP_PROGRAM), QStringList());
        ASSERT_TRUE(process_.waitForStarted(10000));
    }

    QStringList session() const
    {
        QFile file(dir_.path() + QStringLiteral("/session.log"));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool sessionHas(const QString& line) const { return session().contains(line); }
    int questions() const
    {
        return static_cast<int>(session().filter(QStringLiteral("question: Are you sure you want to exit the program?")).size());
    }

    QString terminationStatus() const
    {
        const auto plist = PropertyList::readFile(support() + QStringLiteral("/.config.plist"));
        return plist ? plist->value<PlistDict>().value(QStringLiteral("AppTerminationStatus")).toString() : QString();
    }

    QString programLog(const QString& name = QStringLiteral("Twinsweep.log")) const
    {
        QFile file(support() + QStringLiteral("/Logs/") + name);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // What the program printed (its output goes to a log file): a failed
    // exit says why there.
    std::string output() const { return programLog(QStringLiteral("AppOutPut.log")).right(20000).toStdString(); }

    QTemporaryDir dir_;
    QProcess process_;
    static QTemporaryDir* trees_;
    static BindMount* view_;
};

QTemporaryDir* QuitTest::trees_ = nullptr;
BindMount* QuitTest::view_ = nullptr;

// "Yes" ends the program at once, with the scan stopped, status 0 and
// "exited" recorded, and the question is not asked again.
TEST_P(QuitTest, YesStopsTheScanAndEndsTheProgram)
{
    start({QStringLiteral("close"), QStringLiteral("answer Yes")});
    ASSERT_TRUE(waitUntil([&] { return sessionHas(QStringLiteral("done")) || process_.state() == QProcess::NotRunning; },
                          std::chrono::seconds(60)))
        << session().join(QLatin1Char('\n')).toStdString();
    // The answer came while the scan was still at work, so stopping it counted.
    EXPECT_TRUE(sessionHas(QStringLiteral("answer Yes while scanning=1"))) << session().join(QLatin1Char('\n')).toStdString();

    ASSERT_TRUE(process_.waitForFinished(10000)) << "the program is still running 10 s after Yes";
    EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process_.exitCode(), 0) << output();
    EXPECT_EQ(questions(), 1) << session().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(terminationStatus(), QStringLiteral("exited"));
    if (QString::fromLatin1(GetParam()) == QLatin1String("images")) {
        // The search was stopped, not run to its end.
        EXPECT_TRUE(programLog().contains(QStringLiteral("<<<< Scan Stop")));
        EXPECT_FALSE(programLog().contains(QStringLiteral("<<<< Scan Finish")));
    }
}

// "Cancel" changes nothing: the program goes on and the scan runs to its end;
// closing again asks again.
TEST_P(QuitTest, CancelKeepsTheProgramAndTheScanGoing)
{
    start({QStringLiteral("close"), QStringLiteral("answer Cancel"), QStringLiteral("wait finished"),
           QStringLiteral("close"), QStringLiteral("answer Yes")});
    ASSERT_TRUE(process_.waitForFinished(120000)) << session().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(process_.exitCode(), 0) << output();
    const QStringList lines = session();
    EXPECT_TRUE(lines.contains(QStringLiteral("answer Cancel while scanning=1"))) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("finished stopped=0"))) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_LT(lines.indexOf(QStringLiteral("answer Cancel while scanning=1")), lines.indexOf(QStringLiteral("finished stopped=0")));
    EXPECT_EQ(questions(), 2);
    EXPECT_EQ(terminationStatus(), QStringLiteral("exited"));
}

// The duplicate and large-file scans' Stop, on the screen they share.
class StopTest : public QuitTest {};

// Stop under the scan asks, and "Yes" ends the scan as stopped with its
// results shown; the program then ends as usual.
TEST_P(StopTest, StopAsksAndYesShowsTheStoppedScan)
{
    start({QStringLiteral("stop"), QStringLiteral("answer Yes"), QStringLiteral("wait finished"),
           QStringLiteral("close"), QStringLiteral("answer Yes")});
    ASSERT_TRUE(process_.waitForFinished(60000)) << session().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(process_.exitCode(), 0) << output();
    const QStringList lines = session();
    EXPECT_TRUE(lines.contains(QStringLiteral("answer Yes while scanning=1"))) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("finished stopped=1"))) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(questions(), 1);
}

INSTANTIATE_TEST_SUITE_P(ScanScreens, QuitTest, ::testing::Values("duplicates", "large", "images"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

INSTANTIATE_TEST_SUITE_P(ScanScreens, StopTest, ::testing::Values("duplicates", "large"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
