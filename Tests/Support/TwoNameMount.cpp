#include "TwoNameMount.h"

#include "SpawnedProcess.h"
#include "TestSupport.h"

#ifdef TWINSWEEP_HAVE_FUSE
#include "PassThroughFileSystem.h"
#endif

#include <QDir>
#include <QFile>

#include <cerrno>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

dev_t deviceOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : 0;
}

bool isProgram(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), X_OK) == 0;
}

// A loopback port free now (another process may take it before it is used).
int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    if (s >= 0) {
        ::close(s);
    }
    return port;
}

bool answers(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    const bool connected = s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (s >= 0) {
        ::close(s);
    }
    return connected;
}

}  // namespace

// An sshd of its own on a free loopback port, with its own host key and
// configuration in `folder`, taking the key it makes there for root.
class TwoNameMount::SshServer {
public:
    explicit SshServer(const QString& folder) : key(folder + "/user")
    {
        const QString keygen = QStringLiteral("/usr/bin/ssh-keygen");
        const QString sshd = QStringLiteral("/usr/sbin/sshd");
        // sshd insists on the folder its unprivileged part runs in.
        if (!isProgram(keygen) || !isProgram(sshd) || !QDir().mkpath(folder) || !QDir().mkpath("/run/sshd") ||
            !runToEnd(keygen, {"-q", "-t", "ed25519", "-N", "", "-f", folder + "/host"}) ||
            !runToEnd(keygen, {"-q", "-t", "ed25519", "-N", "", "-f", key})) {
            return;
        }
        // Another test may take the port first: then try another.
        for (int attempt = 0; attempt < 5 && !running(); ++attempt) {
            port = freePort();
            process_ = std::make_unique<SpawnedProcess>(
                sshd, QStringList{"-D", "-f", "/dev/null", "-E", folder + "/log", "-h", folder + "/host", "-p",
                                  QString::number(port), "-o", "ListenAddress=127.0.0.1", "-o",
                                  "AuthorizedKeysFile=" + key + ".pub", "-o", "StrictModes=no", "-o", "UsePAM=no",
                                  "-o", "PidFile=" + folder + "/pid", "-o", "PasswordAuthentication=no", "-o",
                                  "KbdInteractiveAuthentication=no", "-o", "PermitRootLogin=prohibit-password", "-o",
                                  "Subsystem sftp internal-sftp"});
            started_ = process_->pid() > 0 &&
                       waitUntil([&] { return answers(port) || process_->waitForFinished(0); }, std::chrono::seconds(10)) &&
                       answers(port) && !process_->waitForFinished(0);
        }
    }

    bool running() const { return started_; }
    // The options an ssh client needs to log in, trusting the host as it is.
    QString clientOptions() const
    {
        return "IdentityFile=" + key + ",StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,BatchMode=yes,LogLevel=ERROR";
    }

    QString key;
    int port = 0;

private:
    std::unique_ptr<SpawnedProcess> process_;
    bool started_ = false;
};

const char* TwoNameMount::name(Kind kind)
{
    switch (kind) {
    case Kind::rcloneLocal:
        return "RcloneLocal";
    case Kind::rcloneSftp:
        return "RcloneSftp";
    case Kind::sshfsFollowingALink:
        return "SshfsFollowingALink";
    case Kind::sshfsOverABind:
        return "SshfsOverABind";
    case Kind::fuseWithoutOpen:
        return "FuseWithoutOpen";
    case Kind::fuseWithoutOpenHolding:
        break;
    }
    return "FuseWithoutOpenHoldingFiles";
}

TwoNameMount::TwoNameMount(Kind kind, const QString& scratch, const std::map<QString, QByteArray>& files)
    : scratch_(scratch)
{
    const bool overSsh = kind == Kind::sshfsFollowingALink || kind == Kind::sshfsOverABind;
    // Over ssh the server's folder S holds the files in A and reaches them
    // again as B; the view of S is scanned. Otherwise the folder and its
    // view lie side by side in the folder scanned.
    root_ = scratch + "/R";
    view_ = root_ + "/view";
    files_ = overSsh ? scratch + "/S/A" : root_ + "/photos";
    keptFolder_ = overSsh ? view_ + "/A" : view_;
    chosenFolder_ = overSsh ? view_ + "/B" : files_;
    for (const auto& [name, bytes] : files) {
        if (!writeFileBytes(QFile::encodeName(files_ + '/' + name), bytes)) {
            why_ = "the files cannot be written";
            return;
        }
    }
    if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0 || !QDir().mkpath(view_)) {
        why_ = "FUSE mounts need root and /dev/fuse";
        return;
    }
    const QString server = scratch + "/S";
    if (kind == Kind::sshfsFollowingALink && !QFile::link("A", server + "/B")) {
        why_ = "the link cannot be made";
        return;
    }
    if (kind == Kind::sshfsOverABind) {
        if (!QDir().mkpath(server + "/B") ||
            ::mount(QFile::encodeName(files_).constData(), QFile::encodeName(server + "/B").constData(), nullptr,
                    MS_BIND, nullptr) != 0) {
            why_ = "the bind mount cannot be made";
            return;
        }
        bind_ = server + "/B";
    }
    mounted_ = mountView(kind, overSsh ? server : files_, view_) && deviceOf(view_) != deviceOf(root_);
}

bool TwoNameMount::mountView(Kind kind, const QString& source, const QString& view)
{
    if (kind == Kind::fuseWithoutOpen || kind == Kind::fuseWithoutOpenHolding) {
#ifdef TWINSWEEP_HAVE_FUSE
        auto served = std::make_shared<PassThroughFileSystem>(source, view, kind == Kind::fuseWithoutOpenHolding);
        fileSystem_ = served;
        why_ = served->mounted() ? QString() : "the FUSE file system cannot be mounted";
        return served->mounted();
#else
        why_ = "built without FUSE";
        return false;
#endif
    }
    const QString rclone = QStringLiteral("/usr/bin/rclone");
    const QString sshfs = QStringLiteral("/usr/bin/sshfs");
    if (kind == Kind::rcloneLocal || kind == Kind::rcloneSftp) {
        if (!isProgram(rclone)) {
            why_ = "rclone is not installed";
            return false;
        }
    } else if (!isProgram(sshfs)) {
        why_ = "sshfs is not installed";
        return false;
    }
    if (kind != Kind::rcloneLocal) {
        server_ = std::make_unique<SshServer>(scratch_ + "/ssh");
        if (!server_->running()) {
            why_ = "no sshd could be started";
            return false;
        }
    }
    // Outside the folder scanned.
    const QString folder = scratch_;
    bool done = false;
    if (kind == Kind::rcloneLocal || kind == Kind::rcloneSftp) {
        // Its own defaults; mounted once the daemon's parent returns.
        const QString remote = kind == Kind::rcloneLocal
                                   ? source
                                   : QStringLiteral(":sftp,host=127.0.0.1,port=%1,user=root,key_file=%2:%3")
                                         .arg(server_->port)
                                         .arg(server_->key, source);
        done = writeFileBytes(QFile::encodeName(folder + "/rclone.conf"), QByteArray()) &&
               runToEnd(rclone, {"mount", "--daemon", "--config", folder + "/rclone.conf", "--log-file",
                                 folder + "/rclone.log", remote, view});
    } else {
        QString options = server_->clientOptions();
        if (kind == Kind::sshfsFollowingALink) {
            options += ",follow_symlinks";
        }
        done = runToEnd(sshfs, {"root@127.0.0.1:" + source, view, "-p", QString::number(server_->port), "-o", options});
    }
    why_ = done ? QString() : QStringLiteral("%1 cannot mount here").arg(name(kind));
    return done;
}

TwoNameMount::~TwoNameMount()
{
    // The daemons end once their view is taken off.
    if (!fileSystem_ && !view_.isEmpty()) {
        ::umount2(QFile::encodeName(view_).constData(), MNT_DETACH);
    }
    fileSystem_.reset();
    if (!bind_.isEmpty()) {
        ::umount2(QFile::encodeName(bind_).constData(), MNT_DETACH);
    }
    server_.reset();
}
