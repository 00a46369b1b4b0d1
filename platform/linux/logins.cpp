#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <string_view>
#include <utmpx.h>

#include "platform/linux/logind.h"
#include "platform/linux/sys_text.h"
#include "platform/platform.h"

namespace {

// utmpx text fields are filled to their width without a terminator when
// the text is that long.
template <std::size_t N> std::string field(const char (&f)[N])
{
    return std::string(f, strnlen(f, N));
}

// Far beyond any real login file; a larger one is not read at all rather
// than read into memory without bound.
constexpr std::size_t max_file = 16 << 20;

// Kept between ticks, so that a read allocates only when the file grows.
std::string utmp_buf;

} // namespace

// The file is read whole with plain reads. glibc's getutxent would first
// wait up to ten seconds for the file's read lock, on the one thread that
// also answers the keys; a record torn by a writer at that moment is at
// worst one stale or odd entry until the next tick, and a record cut short
// at the end of the file is left out.
//
// A host that keeps no login file at all keeps its logins in logind.
bool plat_logins(std::vector<plat_login> &out)
{
    if (access(plat_root.utmp.c_str(), F_OK) != 0 && errno == ENOENT)
        return logind_logins(out);
    out.clear();
    std::string_view data;
    if (!read_regular(plat_root.utmp.c_str(), utmp_buf, data, max_file))
        return false;
    // Only live logins: the boot record, run levels, getty's LOGIN lines
    // and the records of ended sessions are not sessions.
    for (std::size_t at = 0; at + sizeof(utmpx) <= data.size(); at += sizeof(utmpx)) {
        utmpx u;
        std::memcpy(&u, data.data() + at, sizeof u);
        if (u.ut_type != USER_PROCESS || u.ut_user[0] == '\0')
            continue;
        out.push_back({field(u.ut_user), field(u.ut_line), field(u.ut_host), u.ut_pid});
    }
    return true;
}
