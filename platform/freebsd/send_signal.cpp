#include <csignal>

#include "platform/platform.h"

// FreeBSD hands out no descriptor for a process one did not fork, so the
// start is compared right before the kill: the pid would have to be taken
// again between these two calls for the wrong process to be hit.
bool plat_send_signal(int pid, std::uint64_t start_id, int sig)
{
    proc_rec now;
    return plat_proc(pid, now) && now.start_id == start_id && kill(pid, sig) == 0;
}
