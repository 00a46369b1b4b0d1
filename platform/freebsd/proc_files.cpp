#include <sys/param.h>
#include <sys/sysctl.h>
#include <sys/user.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <libutil.h>
#include <memory>

#include "platform/common/fixed_text.h"
#include "platform/common/proc_files.h"
#include "platform/platform.h"

static_assert(KF_TYPE_VNODE == KFT_VNODE && KF_TYPE_SOCKET == KFT_SOCKET && KF_TYPE_PIPE == KFT_PIPE &&
                  KF_TYPE_FIFO == KFT_FIFO && KF_TYPE_KQUEUE == KFT_KQUEUE && KF_TYPE_SHM == KFT_SHM,
              "descriptor types are numbered differently from the shared logic's");
static_assert(KF_FD_TYPE_CWD == KFD_CWD && KF_FD_TYPE_ROOT == KFD_ROOT && KF_FD_TYPE_TEXT == KFD_TEXT,
              "the entries that are not descriptors are numbered differently from the shared logic's");

namespace {

struct free_deleter {
    void operator()(void *p) const { std::free(p); }
};

} // namespace

bool plat_proc_exe(int pid, std::string &path)
{
    // PATH_MAX bytes: a longer path makes the call fail.
    int mib[4] = {CTL_KERN, KERN_PROC, KERN_PROC_PATHNAME, pid};
    char buf[PATH_MAX];
    std::size_t len = sizeof buf;
    if (sysctl(mib, 4, buf, &len, nullptr, 0) != 0)
        return false;
    std::size_t n = strnlen(buf, std::min(len, sizeof buf));
    if (n == 0)
        return false;
    path.assign(buf, n);
    return true;
}

// The list as the kernel gives it, whole: the entries that are not
// descriptors (text, working and root directory) first, then the
// descriptors in order. Read with libutil rather than libprocstat, which
// writes its complaint about a process exiting or in exec over the screen,
// and turns a list the kernel refuses (another user's process) into an
// empty one; here that is a list that cannot be read.
bool plat_proc_files(int pid, std::size_t first, std::size_t count, plat_files &out)
{
    out = plat_files{};
    int n = 0;
    std::unique_ptr<kinfo_file[], free_deleter> files(kinfo_getfile(pid, &n));
    if (!files)
        return false;
    std::vector<plat_file> all;
    for (int i = 0; i < n; ++i)
        all.push_back(file_entry(files[i].kf_fd, files[i].kf_type, fixed_text(files[i].kf_path)));
    window_of(all, first, count, out);
    return true;
}
