#include "platform/common/kproc.h"

#include <algorithm>
#include <cstring>

char kproc_state_letter(int stat, long tdflags)
{
    switch (stat) {
    // A process still being forked is about to run; ps says R for it too.
    case PS_NEW:
    case PS_RUNNING:
        return 'R';
    // Only a sleep that a signal can break is an ordinary sleep; the others
    // are what Linux calls a disk wait.
    case PS_SLEEPING:
        return (tdflags & KPROC_SINTR) ? 'S' : 'D';
    case PS_STOPPED:
        return 'T';
    case PS_ZOMBIE:
        return 'Z';
    // An interrupt thread waiting for its interrupt is idle: asleep as far
    // as anyone watching is concerned.
    case PS_WAITING:
        return 'S';
    // Blocked on a kernel lock: no signal ends that wait either.
    case PS_LOCK:
        return 'D';
    default:
        return '?';
    }
}

int kproc_state_code(int stat)
{
    return stat >= PS_NEW && stat <= PS_LOCK ? stat : 0;
}

int kproc_foreground_group(long kiflag, int tpgid)
{
    // Without a controlling terminal the kernel leaves 0 in the field, and
    // a terminal without a foreground group gets the one number no process
    // can have. Either way there is no process to ask about, and pid 0 is
    // the kernel itself.
    if (!(kiflag & KPROC_CTTY) || tpgid <= 0 || tpgid >= KPROC_NO_PID)
        return -1;
    return tpgid;
}

std::uint64_t kproc_terminal(long kiflag, std::uint64_t tdev)
{
    // A process that lost its terminal keeps the flag clear; the kernel's
    // "no device" is all ones.
    if (!(kiflag & KPROC_CTTY) || tdev == ~std::uint64_t{0})
        return 0;
    return tdev;
}

proc_rec kproc_to_rec(const kproc_fields &f, long page_size)
{
    proc_rec r{};
    r.pid = f.pid;
    r.ppid = f.ppid;
    r.pgrp = f.pgid;
    r.tpgid = kproc_foreground_group(f.kiflag, f.tpgid);
    r.tty = kproc_terminal(f.kiflag, f.tdev);
    r.state = kproc_state_letter(f.stat, f.tdflags);
    r.state_code = kproc_state_code(f.stat);
    std::size_t n = std::min(f.comm.size(), sizeof r.comm - 1);
    std::memcpy(r.comm, f.comm.data(), n);
    // The kernel fills in the start of every process, swapped out or not
    // (the boot time plus when after boot it started), so a zero start is
    // none of the kernel's: unknown.
    r.start = f.start_sec > 0 ? f.start_sec : -1;
    // To the microsecond: a pid taken again starts later than that.
    r.start_id = static_cast<std::uint64_t>(f.start_sec) * 1'000'000u + static_cast<std::uint64_t>(f.start_usec);
    r.threads = f.threads;
    r.vsize = f.size;
    r.rss = f.rss_pages > 0 && page_size > 0
                ? static_cast<std::uint64_t>(f.rss_pages) * static_cast<std::uint64_t>(page_size)
                : 0;
    return r;
}
