#include "platform/common/argv.h"

#include <algorithm>
#include <cstring>

long join_argv(const char *const *argv, int err, char *buf, std::size_t len)
{
    if (!argv)
        return err == 0 ? 0 : -1;
    std::size_t at = 0;
    for (; *argv && at < len; ++argv) {
        std::size_t n = std::min(std::strlen(*argv), len - at);
        std::memcpy(buf + at, *argv, n);
        at += n;
        if (at < len)
            buf[at++] = '\0';
    }
    return static_cast<long>(at);
}

long copied_bytes(bool ok, bool no_room, std::size_t reported, std::size_t room)
{
    if (!ok && !(no_room && reported > 0))
        return -1;
    return static_cast<long>(std::min(reported, room));
}
