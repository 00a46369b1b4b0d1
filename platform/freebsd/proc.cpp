#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <vector>

#include "platform/common/owner.h"
#include "platform/freebsd/kinfo.h"
#include "platform/platform.h"

namespace {

// Kept between table reads so that a read allocates nothing but the table
// it hands out.
std::vector<kinfo_proc> table_buf;

// The kernel's size answer already has room for a few more processes; a
// table that outgrew even that between the two calls is read again.
constexpr int table_tries = 3;

// The owner of "<proc>/PID" when a process file system is mounted there.
std::optional<std::uint32_t> procfs_owner(int pid)
{
    char path[4096];
    int n = std::snprintf(path, sizeof path, "%s/%d", plat_root.proc.c_str(), pid);
    struct stat st;
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path || stat(path, &st) != 0)
        return std::nullopt;
    return st.st_uid;
}

}  // namespace

bool plat_proc(int pid, proc_rec &out)
{
    kinfo_proc kp;
    if (!read_kinfo(pid, kp))
        return false;
    out = kproc_to_rec(kinfo_fields(kp), page_bytes());
    return true;
}

// KERN_PROC_PROC: one record per process. KERN_PROC_ALL would hand out one
// per thread, and every thread would stand in the tree as a process.
int plat_proc_table(proc_rec **out)
{
    *out = nullptr;
    int mib[3] = {CTL_KERN, KERN_PROC, KERN_PROC_PROC};
    std::size_t len = 0;
    bool read = false;
    for (int i = 0; i < table_tries && !read; ++i) {
        if (sysctl(mib, 3, nullptr, &len, nullptr, 0) != 0)
            return 0;
        table_buf.resize(len / sizeof(kinfo_proc) + 1);
        len = table_buf.size() * sizeof(kinfo_proc);
        read = sysctl(mib, 3, table_buf.data(), &len, nullptr, 0) == 0;
        if (!read && errno != ENOMEM)
            return 0;
    }
    if (!read)
        return 0;
    std::size_t count = len / sizeof(kinfo_proc);
    auto *recs = static_cast<proc_rec *>(std::calloc(count + 1, sizeof(proc_rec)));
    *out = recs;
    if (!recs)
        return 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (table_buf[i].ki_structsize != sizeof(kinfo_proc))
            return 0;
        recs[i] = kproc_to_rec(kinfo_fields(table_buf[i]), page_bytes());
    }
    return static_cast<int>(count);
}

// procfs is not mounted by default; the record stands in where it is
// missing. The record is read only when the file system has no answer.
bool plat_proc_owner(int pid, std::uint32_t &uid)
{
    std::optional<std::uint32_t> fs = procfs_owner(pid);
    std::optional<kproc_uids> record;
    kinfo_proc kp;
    if (!fs && read_kinfo(pid, kp))
        record = kproc_uids{kp.ki_ruid, kp.ki_uid};
    return pick_owner(fs, record, uid);
}

// From the record plat_proc reads: the procstat library would write its
// complaint about a process that just exited over the screen.
bool plat_proc_euid(int pid, std::uint32_t &uid)
{
    kinfo_proc kp;
    if (!read_kinfo(pid, kp))
        return false;
    uid = kp.ki_uid;
    return true;
}
