// Reads of fixed-size values by system-control name.
#pragma once

#include <cstddef>
#include <sys/types.h>
#include <sys/sysctl.h>

// The named value, when the kernel answers with exactly a T; v is left as it
// was otherwise.
template <typename T> bool sysctl_value(const char *name, T &v)
{
    T got{};
    std::size_t len = sizeof got;
    if (sysctlbyname(name, &got, &len, nullptr, 0) != 0 || len != sizeof got)
        return false;
    v = got;
    return true;
}
