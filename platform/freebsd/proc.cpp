#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <signal.h>
#include <unistd.h>
#include <sys/stat.h>
#include <vector>

#include "platform/common/owner.h"
#include "platform/freebsd/kinfo.h"
#include "platform/platform.h"

namespace {

// Kept between table reads so that a read allocates nothing but the table
// it hands out.
std::vector<kinfo_proc> table_buf;

// Reads of a process list before it is given up as growing too fast.
constexpr int table_tries = 3;

// The records a process-table name gives, into buf; the number of records,
// or -1 when they cannot be read. The kernel's size answer already has room
// for a few more processes; a list that outgrew even that between the two
// calls is read again.
long read_kinfos(const int *mib, u_int n, std::vector<kinfo_proc> &buf)
{
    for (int i = 0; i < table_tries; ++i) {
        std::size_t len = 0;
        if (sysctl(mib, n, nullptr, &len, nullptr, 0) != 0)
            return -1;
        buf.resize(len / sizeof(kinfo_proc) + 1);
        len = buf.size() * sizeof(kinfo_proc);
        if (sysctl(mib, n, buf.data(), &len, nullptr, 0) == 0)
            return static_cast<long>(len / sizeof(kinfo_proc));
        if (errno != ENOMEM)
            return -1;
    }
    return -1;
}

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

} // namespace

bool plat_proc(int pid, proc_rec &out)
{
    kinfo_proc kp;
    if (!read_kinfo(pid, kp))
        return false;
    out = kproc_to_rec(kinfo_fields(kp), page_bytes());
    return true;
}

// Where other users' processes are hidden (security.bsd.see_other_uids or
// see_other_gids at 0), kill answers ESRCH for a process that exists but
// may not be seen, as for one that does not; root sees them all.
int plat_pid_exists(int pid)
{
    if (pid <= 0)
        return 0;
    if (kill(pid, 0) == 0 || errno == EPERM)
        return 1;
    if (geteuid() == 0)
        return 0;
    for (const char *name : {"security.bsd.see_other_uids", "security.bsd.see_other_gids"}) {
        int see = 1;
        std::size_t len = sizeof see;
        if (sysctlbyname(name, &see, &len, nullptr, 0) == 0 && see == 0)
            return -1;
    }
    return 0;
}

// The kernel lists the processes of one terminal itself (KERN_PROC_TTY,
// one record per process), so pid, where the look would start on a system
// without that list, is not needed.
bool plat_tty_member(int, std::uint64_t tty, int pgrp, proc_rec &out)
{
    if (tty == 0)
        return false;
    int mib[4] = {CTL_KERN, KERN_PROC, KERN_PROC_TTY, static_cast<int>(tty)};
    static std::vector<kinfo_proc> recs;
    long count = read_kinfos(mib, 4, recs);
    for (long i = 0; i < count; ++i) {
        const kinfo_proc &kp = recs[static_cast<std::size_t>(i)];
        if (kp.ki_structsize != sizeof(kinfo_proc))
            return false;
        proc_rec r = kproc_to_rec(kinfo_fields(kp), page_bytes());
        if (r.tty == tty && r.state != 'Z' && (pgrp <= 0 || r.pgrp == pgrp)) {
            out = r;
            return true;
        }
    }
    return false;
}

// The record's resident size is the kernel's own count here.
bool plat_proc_rss(int pid, std::uint64_t &bytes)
{
    proc_rec r;
    if (!plat_proc(pid, r))
        return false;
    bytes = r.rss;
    return true;
}

// KERN_PROC_PROC: one record per process. KERN_PROC_ALL would hand out one
// per thread, and every thread would stand in the tree as a process.
int plat_proc_table(proc_rec **out)
{
    *out = nullptr;
    int mib[3] = {CTL_KERN, KERN_PROC, KERN_PROC_PROC};
    long read = read_kinfos(mib, 3, table_buf);
    if (read < 0)
        return 0;
    auto count = static_cast<std::size_t>(read);
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
