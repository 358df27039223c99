#include "Manager/UserHomes.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include <QFile>
#include <QList>

#include <pwd.h>
#include <unistd.h>

#include "Foundation/ResourceValues.h"
#include "Manager/DiskInfo.h"

namespace {

std::mutex& lookupMutex()
{
    static std::mutex mutex;
    return mutex;
}

UserHomes::Lookup& testLookup()
{
    static UserHomes::Lookup lookup;
    return lookup;
}

}  // namespace

void UserHomes::setLookupForTesting(Lookup lookup)
{
    std::lock_guard lock(lookupMutex());
    testLookup() = std::move(lookup);
}

std::vector<UserHomes::Account> UserHomes::accounts()
{
    Lookup lookup;
    {
        std::lock_guard lock(lookupMutex());
        lookup = testLookup();
    }
    if (lookup) {
        return lookup();
    }
    // The database's walk keeps its place in the library: one walk at a time.
    static std::mutex walkMutex;
    std::lock_guard lock(walkMutex);
    std::vector<Account> out;
    setpwent();
    while (const passwd* entry = getpwent()) {
        if (entry->pw_dir && entry->pw_dir[0]) {
            out.push_back({entry->pw_uid, QByteArray(entry->pw_dir)});
        }
    }
    endpwent();
    return out;
}

QByteArray UserHomes::resolved(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    if (!real) {
        return path;
    }
    QByteArray out(real);
    std::free(real);
    return out;
}

std::vector<QByteArray> UserHomes::otherUsersHomes(const std::vector<Account>& accounts, uid_t self,
                                                   const QByteArray& ownHome, std::pair<uid_t, uid_t> personUids)
{
    const QByteArray own = FilePath::absolute(ownHome);
    const QByteArray ownReal = resolved(own);
    // A folder that holds the home folder in use is not someone else's:
    // the user's own files lie in it.
    const auto holdsOwn = [&](const QByteArray& folder) {
        return folder == "/" || (!own.isEmpty() && FilePath::isSameOrBelow(own, folder)) ||
               FilePath::isSameOrBelow(ownReal, folder);
    };
    std::vector<QByteArray> homes;
    const auto add = [&](const QByteArray& folder) {
        if (!holdsOwn(folder) && std::find(homes.begin(), homes.end(), folder) == homes.end()) {
            homes.push_back(folder);
        }
    };
    for (const Account& account : accounts) {
        const bool person = account.uid == 0 || (account.uid >= personUids.first && account.uid <= personUids.second);
        if (account.uid == self || !person || !account.home.startsWith('/')) {
            continue;
        }
        const QByteArray home = FilePath::normalized(account.home);
        add(home);
        add(resolved(home));
    }
    return homes;
}

std::vector<QByteArray> UserHomes::otherUsersHomes()
{
    return otherUsersHomes(accounts(), geteuid(), QFile::encodeName(DiskInfo::customHomeDirectory()), personUidRange());
}

std::pair<uid_t, uid_t> UserHomes::personUidRange(const QByteArray& loginDefs)
{
    std::pair<uid_t, uid_t> range{1000, 60000};
    QFile file(QFile::decodeName(loginDefs));
    if (!file.open(QIODevice::ReadOnly)) {
        return range;
    }
    // Small and read once per scan; a line is a name and a value.
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2 || fields[0].startsWith('#')) {
            continue;
        }
        bool ok = false;
        const qulonglong value = fields[1].toULongLong(&ok);
        if (!ok || value > 0xFFFFFFFEull) {
            continue;
        }
        if (fields[0] == "UID_MIN") {
            range.first = uid_t(value);
        } else if (fields[0] == "UID_MAX") {
            range.second = uid_t(value);
        }
    }
    return range;
}
