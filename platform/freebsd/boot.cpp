#include <sys/time.h>

#include "platform/freebsd/sysctl_value.h"
#include "platform/platform.h"

bool plat_boot_time(std::int64_t &secs)
{
    int mib[2] = {CTL_KERN, KERN_BOOTTIME};
    timeval tv{};
    std::size_t len = sizeof tv;
    if (sysctl(mib, 2, &tv, &len, nullptr, 0) != 0 || len != sizeof tv)
        return false;
    secs = tv.tv_sec;
    return true;
}
