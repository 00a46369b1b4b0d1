#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <libutil.h>
#include <memory>

#include "platform/common/proc_files.h"
#include "platform/freebsd/procstat.h"
#include "platform/platform.h"

// platform.h numbers descriptor types and uses as the kernel does.
static_assert(PS_FST_TYPE_VNODE == PF_VNODE && PS_FST_TYPE_FIFO == PF_FIFO && PS_FST_TYPE_SOCKET == PF_SOCKET &&
                  PS_FST_TYPE_PIPE == PF_PIPE && PS_FST_TYPE_KQUEUE == PF_KQUEUE && PS_FST_TYPE_SHM == PF_SHM &&
                  PS_FST_TYPE_UNKNOWN == PF_OTHER,
              "descriptor types are numbered differently from platform.h");
static_assert(PS_FST_UFLAG_RDIR == KFILE_RDIR && PS_FST_UFLAG_CDIR == KFILE_CDIR && PS_FST_UFLAG_TEXT == KFILE_TEXT,
              "file uses differ from those the shared logic maps");

namespace {

struct free_deleter {
    void operator()(void *p) const { std::free(p); }
};

}  // namespace

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

// The list as the library gives it, whole: the entries that are not
// descriptors (text, working and root directory) first, then the
// descriptors in order.
bool plat_proc_files(int pid, std::size_t first, std::size_t count, plat_files &out)
{
    out = plat_files{};
    procstat_ptr ps(procstat_open_sysctl());
    if (!ps)
        return false;
    std::unique_ptr<kinfo_proc, free_deleter> kp(kinfo_getproc(pid));
    if (!kp)
        return false;
    procstat_files_ptr files(procstat_getfiles(ps.get(), kp.get(), 0), {ps.get()});
    if (!files)
        return false;
    std::vector<plat_file> all;
    filestat *f;
    STAILQ_FOREACH(f, files.get(), next)
        all.push_back(file_entry(f->fs_fd, f->fs_type, f->fs_uflags, f->fs_path));
    window_of(all, first, count, out);
    return true;
}
