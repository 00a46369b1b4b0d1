#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utmpx.h>

#include "platform/common/fixed_text.h"
#include "platform/platform.h"

namespace {

// Closes the database on every way out.
struct utx_closer {
    ~utx_closer() { endutxent(); }
};

// Where the library finds the active database; its header keeps the name
// to itself (lib/libc/gen/utxdb.h).
constexpr const char *utx_active = "/var/run/utx.active";

// The library's own open would wait for ever on a named pipe or a device
// put in the database's place: only a regular file is handed to it.
bool regular_file(const char *path)
{
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    return regular;
}

} // namespace

// The active database, /var/run/utx.active: a session's record leaves it
// when the session ends, so what is left is live. The root record's utmp
// path names Linux's file and means nothing here. The library reads the
// file without taking a lock.
bool plat_logins(std::vector<plat_login> &out)
{
    out.clear();
    if (!regular_file(utx_active) || setutxdb(UTXDB_ACTIVE, nullptr) != 0)
        return false;
    utx_closer closer;
    // Boot and shutdown records share the file; only logins are sessions.
    while (const utmpx *u = getutxent()) {
        if (u->ut_type != USER_PROCESS || u->ut_user[0] == '\0')
            continue;
        out.push_back({fixed_text(u->ut_user), fixed_text(u->ut_line), fixed_text(u->ut_host), u->ut_pid});
    }
    return true;
}
