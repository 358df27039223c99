#include "ResourceValues.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// mountinfo writes blanks, tabs, newlines and backslashes as \ooo.
QByteArray unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray oct = field.mid(i + 1, 3);
            bool ok = oct.size() == 3;
            for (char d : oct) {
                ok = ok && d >= '0' && d <= '7';
            }
            if (ok) {
                out.append(static_cast<char>(oct.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

bool startsWithComponent(const QByteArray& path, const QByteArray& prefix)
{
    if (prefix == "/") {
        return path.startsWith('/');
    }
    return path.startsWith(prefix) && (path.size() == prefix.size() || path.at(prefix.size()) == '/');
}

bool endsWithApp(const QByteArray& name)
{
    return name.size() > 4 && name.endsWith(".app");
}

}  // namespace

std::shared_ptr<const MountTable> MountTable::read(const QString& mountInfoPath)
{
    std::vector<MountEntry> entries;
    QFile file(mountInfoPath);
    if (file.open(QIODevice::ReadOnly)) {
        // /proc files report size 0: read until the end.
        const QByteArray all = file.readAll();
        for (const QByteArray& line : all.split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            // id parent maj:min root mountpoint options [optional...] - type source superopts
            const qsizetype dash = fields.indexOf(QByteArray("-"));
            if (dash < 6 || dash + 1 >= fields.size()) {
                continue;
            }
            const QList<QByteArray> majMin = fields.at(2).split(':');
            if (majMin.size() != 2) {
                continue;
            }
            bool okMajor = false;
            bool okMinor = false;
            const unsigned major = majMin.at(0).toUInt(&okMajor);
            const unsigned minor = majMin.at(1).toUInt(&okMinor);
            if (!okMajor || !okMinor) {
                continue;
            }
            MountEntry entry;
            entry.device = makedev(major, minor);
            entry.mountPoint = unescapeMountField(fields.at(4));
            entry.fileSystemType = dash + 1 < fields.size() ? fields.at(dash + 1) : QByteArray();
            entry.source = dash + 2 < fields.size() ? unescapeMountField(fields.at(dash + 2)) : QByteArray();
            entries.push_back(std::move(entry));
        }
    }
    return fromEntries(std::move(entries));
}

std::shared_ptr<const MountTable> MountTable::fromEntries(std::vector<MountEntry> entries)
{
    auto table = std::make_shared<MountTable>();
    table->entries_ = std::move(entries);
    return table;
}

const MountEntry* MountTable::volumeFor(const QByteArray& path, dev_t device) const
{
    const MountEntry* onDevice = nullptr;
    const MountEntry* anyDevice = nullptr;
    // Later entries shadow earlier ones at the same point, so ">=" keeps the last.
    for (const MountEntry& entry : entries_) {
        if (!startsWithComponent(path, entry.mountPoint)) {
            continue;
        }
        if (!anyDevice || entry.mountPoint.size() >= anyDevice->mountPoint.size()) {
            anyDevice = &entry;
        }
        if (entry.device == device && (!onDevice || entry.mountPoint.size() >= onDevice->mountPoint.size())) {
            onDevice = &entry;
        }
    }
    return onDevice ? onDevice : anyDevice;
}

const MountEntry* MountTable::entryForDevice(dev_t device) const
{
    const MountEntry* found = nullptr;
    for (const MountEntry& entry : entries_) {
        if (entry.device == device) {
            found = &entry;
        }
    }
    return found;
}

bool MountTable::isLocalFileSystem(const QByteArray& type)
{
    static const QByteArray network[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph",
                                         "9p", "glusterfs", "lustre", "davfs", "coda", "gfs2", "ocfs2"};
    if (type == "fuse" || type == "fuseblk" || type.startsWith("fuse.")) {
        return false;
    }
    return std::find(std::begin(network), std::end(network), type) == std::end(network);
}

bool MountTable::isPseudoFileSystem(const QByteArray& type)
{
    static const QByteArray pseudo[] = {"proc",   "sysfs",     "devtmpfs", "debugfs",   "tracefs",
                                        "cgroup", "cgroup2",   "securityfs", "pstore",  "bpf",
                                        "autofs", "mqueue",    "hugetlbfs", "configfs", "fusectl",
                                        "binfmt_misc", "efivarfs", "devpts", "rpc_pipefs", "nsfs"};
    return std::find(std::begin(pseudo), std::end(pseudo), type) != std::end(pseudo);
}

ResourceValues ResourceValues::fromStat(const struct stat& st, const QByteArray& name, int dirFd)
{
    ResourceValues v;
    v.name = name;
    v.isDirectory = S_ISDIR(st.st_mode);
    v.isRegularFile = S_ISREG(st.st_mode);
    v.isSymbolicLink = S_ISLNK(st.st_mode);
    v.isAliasFile = !v.isDirectory && !v.isRegularFile;
    v.totalFileSize = static_cast<int64_t>(st.st_size);
    v.isHidden = name.startsWith('.');
    v.isApplication = v.isDirectory && endsWithApp(name);
    v.device = st.st_dev;
    v.inode = st.st_ino;
    v.modificationTimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    v.statusChangeTimeNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    if (v.isSymbolicLink) {
        // The link itself, not its target: a dangling link is still an item.
        v.isReadable = true;
        v.isWritable = faccessat(dirFd, name.constData(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0;
    } else {
        v.isReadable = faccessat(dirFd, name.constData(), R_OK, AT_EACCESS) == 0;
        v.isWritable = faccessat(dirFd, name.constData(), W_OK, AT_EACCESS) == 0;
    }
    return v;
}

std::optional<ResourceValues> ResourceValues::read(const QByteArray& path, const MountTable* mounts)
{
    struct stat st {};
    if (path.isEmpty() || ::lstat(path.constData(), &st) != 0) {
        return std::nullopt;
    }
    ResourceValues v = fromStat(st, FilePath::lastComponent(path), AT_FDCWD);
    // fromStat asked relative to the current folder with the bare name; ask
    // again with the whole path.
    if (v.isSymbolicLink) {
        v.isReadable = true;
        v.isWritable = faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0;
    } else {
        v.isReadable = faccessat(AT_FDCWD, path.constData(), R_OK, AT_EACCESS) == 0;
        v.isWritable = faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0;
    }
    if (mounts) {
        v.resolveVolume(path, *mounts);
    } else {
        v.resolveVolume(path, *MountTable::read());
    }
    return v;
}

ItemIdentity ResourceValues::identity() const
{
    ItemIdentity id;
    id.device = device;
    id.inode = inode;
    id.type = isRegularFile ? S_IFREG : isDirectory ? S_IFDIR : isSymbolicLink ? S_IFLNK : 0;
    id.size = totalFileSize;
    id.modificationTimeNs = modificationTimeNs;
    id.statusChangeTimeNs = statusChangeTimeNs;
    id.members = members;
    return id;
}

void ResourceValues::resolveVolume(const QByteArray& path, const MountTable& mounts)
{
    if (const MountEntry* entry = mounts.volumeFor(FilePath::normalized(path), device)) {
        volumeURL = entry->mountPoint;
        volumeIsLocal = MountTable::isLocalFileSystem(entry->fileSystemType);
    } else {
        volumeURL.reset();
        volumeIsLocal = true;
    }
}

namespace FilePath {

QByteArray lastComponent(const QByteArray& path)
{
    QByteArray p = path;
    while (p.size() > 1 && p.endsWith('/')) {
        p.chop(1);
    }
    if (p == "/") {
        return {};
    }
    const qsizetype slash = p.lastIndexOf('/');
    return slash < 0 ? p : p.mid(slash + 1);
}

QByteArray parentFolder(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray pathExtension(const QByteArray& path)
{
    const QByteArray name = lastComponent(path);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0 || dot == name.size() - 1) {
        return {};
    }
    return name.mid(dot + 1);
}

QByteArray normalized(const QByteArray& path)
{
    if (path.isEmpty()) {
        return path;
    }
    const bool absolute = path.startsWith('/');
    std::vector<QByteArray> parts;
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(part);
            }
            continue;
        }
        parts.push_back(part);
    }
    QByteArray out = absolute ? QByteArray("/") : QByteArray();
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            out.append('/');
        }
        out.append(parts[i]);
    }
    if (out.isEmpty()) {
        out = ".";
    }
    return out;
}

QByteArray absolute(const QByteArray& path)
{
    if (path.isEmpty() || path.startsWith('/')) {
        return normalized(path);
    }
    QByteArray folder(4096, '\0');
    while (::getcwd(folder.data(), size_t(folder.size())) == nullptr) {
        if (errno != ERANGE || folder.size() > (1 << 20)) {
            return normalized(path);  // no current folder to resolve against
        }
        folder.resize(folder.size() * 2);
    }
    folder.truncate(qsizetype(std::strlen(folder.constData())));
    return normalized(folder + '/' + path);
}

bool isSameOrBelow(const QByteArray& path, const QByteArray& ancestor)
{
    return !ancestor.isEmpty() && startsWithComponent(path, ancestor);
}

QUrl fileUrl(const QByteArray& path)
{
    if (path.isEmpty()) {
        return {};
    }
    const QByteArray encoded = path.toPercentEncoding("/");
    return QUrl::fromEncoded(path.startsWith('/') ? "file://" + encoded : "file:" + encoded, QUrl::StrictMode);
}

QByteArray fromFileUrl(const QUrl& url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

QString storedText(const QByteArray& path)
{
    const QString text = QString::fromUtf8(path);
    if (text.toUtf8() == path && !text.startsWith(QLatin1String("file:"))) {
        return text;
    }
    return QString::fromLatin1(fileUrl(path).toEncoded());
}

QByteArray fromStoredText(const QString& text)
{
    if (text.startsWith(QLatin1String("file:"))) {
        return fromFileUrl(QUrl::fromEncoded(text.toUtf8()));
    }
    return text.toUtf8();
}

namespace {
// The first `bytes` bytes of `text`, less the start of a character cut through.
QByteArray cutAt(const QByteArray& text, qsizetype bytes)
{
    bytes = std::clamp<qsizetype>(bytes, 0, text.size());
    while (bytes > 0 && bytes < text.size() && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) {
        --bytes;
    }
    return text.left(bytes);
}
}  // namespace

QByteArray fittedName(const QByteArray& name, int maxBytes)
{
    if (name.size() <= maxBytes) {
        return name;
    }
    const QByteArray extension = pathExtension(name);
    if (!extension.isEmpty() && extension.size() + 1 < maxBytes / 2) {
        const QByteArray stem = name.left(name.size() - extension.size() - 1);
        return cutAt(stem, maxBytes - extension.size() - 1) + '.' + extension;
    }
    return cutAt(name, maxBytes);
}

QByteArray onDisk(const QByteArray& path)
{
    struct stat st {};
    if (path.isEmpty() || path[0] != '/' || ::lstat(path.constData(), &st) == 0) {
        return path;
    }
    QByteArray resolved;
    for (const QByteArray& component : path.split('/')) {
        if (component.isEmpty()) {
            continue;
        }
        const QByteArray folder = resolved.isEmpty() ? QByteArray("/") : resolved;
        QByteArray candidate = resolved + '/' + component;
        if (::lstat(candidate.constData(), &st) != 0) {
            // Only one entry may decode to the same text, else the choice is not ours to make.
            const QString wanted = QFile::decodeName(component);
            QByteArray match;
            int matches = 0;
            if (DIR* dir = ::opendir(folder.constData())) {
                while (const dirent* entry = ::readdir(dir)) {
                    const QByteArray name(entry->d_name);
                    if (name != "." && name != ".." && QFile::decodeName(name) == wanted) {
                        match = name;
                        ++matches;
                    }
                }
                ::closedir(dir);
            }
            if (matches != 1) {
                return path;
            }
            candidate = resolved + '/' + match;
        }
        resolved = candidate;
    }
    return resolved.isEmpty() ? path : resolved;
}

}  // namespace FilePath
