#pragma once

#include <map>
#include <memory>

#include <QByteArray>
#include <QString>

// Files that each have two names, through a mount a removal cannot see
// through, laid out in a scratch folder for as long as the object lives:
// - an rclone mount (rclone's own defaults) of the folder, with the local
//   backend or with the sftp backend to an sshd of its own on the loopback;
// - one sshfs mount that reaches the files twice: the server folder holds
//   a link B -> A, followed (-o follow_symlinks), or a bind mount B of A;
// - a FUSE view of the folder by a daemon without an open of its own, that
//   reads by path or by the handle it holds.
// Each of `files` (name → bytes) is written once; kept(name) and
// chosen(name) are its two names, both found by a walk of root(). Needs
// root, /dev/fuse and the programs; when mounted() is false, why() says
// what is missing.
class TwoNameMount {
public:
    enum class Kind { rcloneLocal, rcloneSftp, sshfsFollowingALink, sshfsOverABind, fuseWithoutOpen, fuseWithoutOpenHolding };
    static constexpr Kind kinds[] = {Kind::rcloneLocal,         Kind::rcloneSftp,      Kind::sshfsFollowingALink,
                                     Kind::sshfsOverABind,      Kind::fuseWithoutOpen, Kind::fuseWithoutOpenHolding};

    TwoNameMount(Kind kind, const QString& scratch, const std::map<QString, QByteArray>& files);
    ~TwoNameMount();
    TwoNameMount(const TwoNameMount&) = delete;
    TwoNameMount& operator=(const TwoNameMount&) = delete;

    bool mounted() const { return mounted_; }
    QString why() const { return why_; }
    static const char* name(Kind kind);

    // The folder that holds the files themselves.
    QString files() const { return files_; }
    QString root() const { return root_; }
    QString kept(const QString& name) const { return keptFolder_ + '/' + name; }
    QString chosen(const QString& name) const { return chosenFolder_ + '/' + name; }

    class SshServer;

private:
    bool mountView(Kind kind, const QString& source, const QString& view);

    QString scratch_;
    bool mounted_ = false;
    QString why_;
    QString files_;
    QString root_;
    QString keptFolder_;
    QString chosenFolder_;
    QString view_;
    QString bind_;
    std::unique_ptr<SshServer> server_;
    std::shared_ptr<void> fileSystem_;
};
