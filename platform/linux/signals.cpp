#include <csignal>

#include "platform/platform.h"

// SIGIO is SIGPOLL here, and ends the process by default, as SIGPWR and
// SIGSTKFLT do.
std::span<const int> plat_crash_signals()
{
    return {};
}

std::span<const int> plat_fatal_signals()
{
    static const int more[] = {SIGPOLL, SIGPWR, SIGSTKFLT};
    return more;
}
