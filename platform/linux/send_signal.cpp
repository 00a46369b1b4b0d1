#include <cerrno>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/linux/file_read.h"
#include "platform/platform.h"

// The process is held by a descriptor before its start is checked: however
// fast the pid is taken again afterwards, the descriptor still names the
// process it was opened on, so the one checked is the one signalled. A
// start that still matches after the open means the pid never left that
// process in between, since a newcomer always starts later. The calls go
// to the kernel directly: C libraries before glibc 2.36 have no wrappers.
bool plat_send_signal(int pid, std::uint64_t start_id, int sig)
{
    unique_fd held(static_cast<int>(syscall(SYS_pidfd_open, pid, 0u)));
    if (held.fd < 0 && errno == ESRCH)
        return false;
    proc_rec now;
    if (!plat_proc(pid, now) || now.start_id != start_id)
        return false;
    // A kernel before 5.3, or a sandbox that refuses the call: the check
    // then comes right before a plain kill, as on systems without such
    // descriptors, rather than no signal at all.
    if (held.fd < 0)
        return kill(pid, sig) == 0;
    return syscall(SYS_pidfd_send_signal, held.fd, sig, nullptr, 0u) == 0;
}
