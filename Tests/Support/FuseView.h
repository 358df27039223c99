#pragma once

#include <QString>

// A FUSE view of a folder, mounted at another folder for as long as the
// object lives, as users make them: bindfs shows the folder's files under
// another device with their own inode numbers; a mergerfs pool of that one
// folder shows them under another device and other inode numbers. Needs
// root, /dev/fuse and the program; mounted() says whether it worked.
class FuseView {
public:
    enum class Kind { bindfs, mergerfs };

    FuseView(Kind kind, const QString& folder, const QString& mountPoint);
    // Taken off its folder (lazily, so a test that failed midway still
    // leaves no mount behind); the daemon then ends by itself.
    ~FuseView();
    FuseView(const FuseView&) = delete;
    FuseView& operator=(const FuseView&) = delete;

    bool mounted() const { return mounted_; }
    QString path() const { return mountPoint_; }
    static const char* name(Kind kind) { return kind == Kind::bindfs ? "bindfs" : "mergerfs"; }

private:
    QString mountPoint_;
    bool mounted_ = false;
};
