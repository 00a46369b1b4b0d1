#include <csignal>

#include "platform/platform.h"

// SIGEMT is a fault of the processor. SIGIO, SIGINFO and SIGTHR are
// ignored by default here.
std::span<const int> plat_crash_signals()
{
    static const int more[] = {SIGEMT};
    return more;
}

std::span<const int> plat_fatal_signals()
{
    return {};
}
