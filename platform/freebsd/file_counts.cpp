#include <sys/param.h>
#include <sys/mount.h>

#include "platform/freebsd/sysctl_value.h"
#include "platform/platform.h"

long plat_open_files()
{
    int n = 0;
    return sysctl_value("kern.openfiles", n) ? n : -1;
}

long plat_max_files()
{
    int n = 0;
    return sysctl_value("kern.maxfiles", n) ? n : -1;
}

long plat_used_inodes()
{
    struct statfs st;
    if (statfs("/", &st) != 0)
        return -1;
    return static_cast<long>(static_cast<std::int64_t>(st.f_files) - st.f_ffree);
}
