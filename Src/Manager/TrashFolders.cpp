#include "Manager/TrashFolders.h"

#include <algorithm>

#include "Foundation/ResourceValues.h"
#include "Foundation/Trash.h"
#include "Manager/UserHomes.h"

TrashFolders::TrashFolders()
    : homeTrash_(FilePath::absolute(Trash::homeTrash())), homeTrashResolved_(UserHomes::resolved(homeTrash_))
{
    struct stat st {};
    if (::stat(homeTrash_.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        homeTrashId_ = std::make_pair(st.st_dev, st.st_ino);
    }
}

bool TrashFolders::isHomeTrash(const struct stat& st) const
{
    return homeTrashId_ && homeTrashId_->first == st.st_dev && homeTrashId_->second == st.st_ino;
}

bool TrashFolders::isVolumeTrashName(const QByteArray& name)
{
    if (name == ".Trash") {
        return true;
    }
    if (!name.startsWith(".Trash-") || name.size() == 7) {
        return false;
    }
    return std::all_of(name.begin() + 7, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool TrashFolders::isVolumeTop(const QByteArray& folder)
{
    if (folder == "/") {
        return true;
    }
    struct stat self {}, up {};
    if (::stat(folder.constData(), &self) != 0 || ::stat((folder + "/..").constData(), &up) != 0) {
        return false;
    }
    if (self.st_dev != up.st_dev || self.st_ino == up.st_ino) {
        return true;  // another device, or "/" under another name
    }
    // A bind mount of a folder of the same file system shows only in the table.
    const QByteArray real = UserHomes::resolved(folder);
    const auto mounts = MountTable::read();
    return std::any_of(mounts->entries().begin(), mounts->entries().end(),
                       [&](const MountEntry& entry) { return entry.mountPoint == real; });
}

bool TrashFolders::holds(const QByteArray& path) const
{
    const QByteArray given = FilePath::absolute(path);
    if (FilePath::isSameOrBelow(given, homeTrash_)) {
        return true;
    }
    const QByteArray real = UserHomes::resolved(given);
    if (FilePath::isSameOrBelow(real, homeTrashResolved_)) {
        return true;
    }
    // Each folder on the way up, as the system sees it: a bind mount of the
    // Trash has the Trash's own device and inode.
    for (QByteArray folder = real; folder != "/"; folder = FilePath::parentFolder(folder)) {
        struct stat st {};
        if (homeTrashId_ && ::stat(folder.constData(), &st) == 0 && isHomeTrash(st)) {
            return true;
        }
        if (isVolumeTrashName(FilePath::lastComponent(folder)) && isVolumeTop(FilePath::parentFolder(folder))) {
            return true;
        }
    }
    return false;
}
