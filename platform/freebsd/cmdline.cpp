#include <cerrno>
#include <climits>
#include <paths.h>
#include <unistd.h>

#include "platform/common/argv.h"
#include "platform/freebsd/kinfo.h"
#include "platform/freebsd/kvm_ptr.h"
#include "platform/platform.h"

namespace {

// The kernel-memory handle for argument vectors, opened on first use and
// kept for the run. With /dev/null for memory, as ps and w open it, the
// library asks the running kernel and needs no privilege: root does not
// hold /dev/mem and /dev/kmem open, and every user gets a handle. Should
// even that open fail, the kernel is asked directly. The error buffer keeps
// the library's complaint off the screen.
kvm_t *args_handle()
{
    static const kvm_ptr kd = [] {
        char err[_POSIX2_LINE_MAX];
        return kvm_ptr(kvm_openfiles(nullptr, _PATH_DEVNULL, nullptr, O_RDONLY, err));
    }();
    return kd.get();
}

// The vector straight from the kernel, as the library itself reads it.
long sysctl_args(int pid, char *buf, std::size_t len)
{
    int mib[4] = {CTL_KERN, KERN_PROC, KERN_PROC_ARGS, pid};
    std::size_t got = len;
    int rc = sysctl(mib, 4, buf, &got, nullptr, 0);
    return copied_bytes(rc == 0, rc != 0 && errno == ENOMEM, got, len);
}

}  // namespace

long plat_cmdline(int pid, char *buf, std::size_t len)
{
    kvm_t *kd = args_handle();
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
    if (args_handle())
        return true;
    // One byte of our own vector: a cut answer is an answer.
    char probe[1];
    return sysctl_args(getpid(), probe, sizeof probe) >= 0;
}
