#include <cerrno>
#include <unistd.h>

#include "platform/common/argv.h"
#include "platform/freebsd/kinfo.h"
#include "platform/freebsd/kvm_ptr.h"
#include "platform/platform.h"

namespace {

// The vector straight from the kernel, as the library itself reads it.
long sysctl_args(int pid, char *buf, std::size_t len)
{
    int mib[4] = {CTL_KERN, KERN_PROC, KERN_PROC_ARGS, pid};
    std::size_t got = len;
    int rc = sysctl(mib, 4, buf, &got, nullptr, 0);
    return copied_bytes(rc == 0, rc != 0 && errno == ENOMEM, got, len);
}

} // namespace

long plat_cmdline(int pid, char *buf, std::size_t len)
{
    // Should the library have no handle, the kernel is asked directly.
    kvm_t *kd = live_kvm();
    if (!kd)
        return sysctl_args(pid, buf, len);
    // The library wants the process's record; 0: the whole vector, which
    // join_argv cuts to the room. Its answer for an empty vector is the
    // same as for a failed read; only a failed read sets errno.
    kinfo_proc kp;
    if (!read_kinfo(pid, kp))
        return -1;
    errno = 0;
    char **argv = kvm_getargv(kd, &kp, 0);
    return join_argv(argv, errno, buf, len);
}

bool plat_can_read_cmdlines()
{
    if (live_kvm())
        return true;
    // One byte of our own vector: a cut answer is an answer.
    char probe[1];
    return sysctl_args(getpid(), probe, sizeof probe) >= 0;
}
