#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

// Far beyond any real login file; a larger one is not read at all rather
// than read into memory without bound.
constexpr off_t max_file = 16 << 20;

}  // namespace

// The file is read whole with plain reads. glibc's getutxent would first
// wait up to ten seconds for the file's read lock, on the one thread that
// also answers the keys; a record torn by a writer at that moment is at
// worst one stale or odd entry until the next tick, and a record cut short
// at the end of the file is left out.
bool plat_logins(std::vector<plat_login> &out)
{
    out.clear();
    int fd = open(plat_root.utmp.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    std::string data;
    bool ok = fstat(fd, &st) == 0 && st.st_size <= max_file;
    if (ok) {
        data.resize(static_cast<std::size_t>(st.st_size) + sizeof(utmpx));
        std::size_t got = 0;
        while (got < data.size()) {
            ssize_t n = read(fd, data.data() + got, data.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                ok = false;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        data.resize(got);
    }
    close(fd);
    if (!ok)
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
