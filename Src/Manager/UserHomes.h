#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QByteArray>

#include <sys/types.h>

// Whose home folder is where, as the user database says. The scans leave
// out what belongs to other people; a folder merely beside the home folder
// (a shared one, another disk mounted there) is nobody's home and is scanned.
class UserHomes {
public:
    struct Account {
        uid_t uid;
        QByteArray home;
    };
    using Lookup = std::function<std::vector<Account>()>;

    // Every account of the user database, or what a test put in its place.
    static std::vector<Account> accounts();
    // A test's accounts instead of the database; none restores it.
    static void setLookupForTesting(Lookup lookup);

    // The home folders of people other than `self`: root's and those of
    // the accounts in `personUids` (service accounts keep their data in
    // folders such as /var/www, which are not anyone's home in this sense).
    // Never "/", `ownHome` or a folder that holds it. Each home is given as
    // the database writes it and, where it differs, as the folder it leads
    // to, so that a link cannot hide one.
    static std::vector<QByteArray> otherUsersHomes(const std::vector<Account>& accounts, uid_t self,
                                                   const QByteArray& ownHome,
                                                   std::pair<uid_t, uid_t> personUids);
    // The same for the running program: its user, the home folder in use
    // and the range of the system's login definitions.
    static std::vector<QByteArray> otherUsersHomes();

    // UID_MIN and UID_MAX of a login definitions file; 1000 and 60000 where
    // it gives none.
    static std::pair<uid_t, uid_t> personUidRange(const QByteArray& loginDefs = "/etc/login.defs");

    // The folder a path leads to (links resolved), or the path itself when
    // it cannot be resolved.
    static QByteArray resolved(const QByteArray& path);
};
