#include <charconv>
#include <cstdio>

#include "platform/linux/file_read.h"
#include "platform/platform.h"

// Read from the proc root rather than through getloadavg(3), which knows
// only the system's /proc; from_chars, because the kernel writes a decimal
// point whatever the locale says.
int plat_loadavg(double *loads, int n)
{
    char path[4096];
    char buf[128];
    int len = std::snprintf(path, sizeof path, "%s/loadavg", plat_root.proc.c_str());
    if (len <= 0 || static_cast<std::size_t>(len) >= sizeof path)
        return -1;
    long got = read_file(path, buf, sizeof buf);
    if (got <= 0)
        return -1;
    const char *p = buf;
    const char *end = buf + got;
    int i = 0;
    for (; i < n && i < 3; ++i) {
        while (p < end && *p == ' ')
            ++p;
        auto [next, ec] = std::from_chars(p, end, loads[i]);
        if (ec != std::errc())
            return -1;
        p = next;
    }
    return i;
}
