#include "Manager/SystemFolders.h"

#include <algorithm>

#include "Foundation/ResourceValues.h"

const QByteArrayList& SystemFolders::linuxFolders()
{
    static const QByteArrayList folders{"/usr",   "/etc",   "/boot",    "/opt",     "/bin",  "/sbin",
                                        "/lib",   "/lib32", "/lib64",   "/libx32",  "/var/lib",
                                        "/proc",  "/sys",   "/dev",     "/snap",    "/run"};
    return folders;
}

const QByteArrayList& SystemFolders::userPlacesInside()
{
    static const QByteArrayList places{"/run/media", "/run/user"};
    return places;
}

bool SystemFolders::isSystemFolder(const QByteArray& path)
{
    if (path.startsWith("/System") || path.startsWith("/Applications") || path.startsWith("/Library")) {
        return true;
    }
    const QByteArray normal = FilePath::normalized(path);
    const auto below = [&](const QByteArray& folder) { return FilePath::isSameOrBelow(normal, folder); };
    const QByteArrayList& places = userPlacesInside();
    return std::any_of(linuxFolders().begin(), linuxFolders().end(), below) &&
           std::none_of(places.begin(), places.end(), below);
}
