#include <cstring>
#include <utmpx.h>

#include "platform/platform.h"

namespace {

// utmpx text fields are filled to their width without a terminator when
// the text is that long.
template <std::size_t N>
std::string field(const char (&f)[N])
{
    return std::string(f, strnlen(f, N));
}

}  // namespace

void plat_logins_open()
{
    utmpxname(plat_root.utmp.c_str());
    setutxent();
}

// The file also holds the boot record, run levels and getty's LOGIN lines;
// only real logins and their ends are sessions.
bool plat_logins_next(plat_login &out)
{
    while (const utmpx *u = getutxent()) {
        if (u->ut_type != USER_PROCESS && u->ut_type != DEAD_PROCESS)
            continue;
        out.user = u->ut_type == USER_PROCESS ? field(u->ut_user) : std::string();
        out.line = field(u->ut_line);
        out.host = field(u->ut_host);
        out.pid = u->ut_pid;
        return true;
    }
    return false;
}

void plat_logins_close()
{
    endutxent();
}
