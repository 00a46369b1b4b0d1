#include "platform/linux/logind.h"

// Built without libsystemd and libelogind: no sessions can be read.
bool logind_logins(std::vector<plat_login> &out)
{
    out.clear();
    return false;
}
