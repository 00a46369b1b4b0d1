#include "platform/freebsd/kinfo.h"

#include <cstring>
#include <sys/proc.h>
#include <unistd.h>

// The process queries read these records as the kernel lays them out; a
// sysroot or a system whose record differs must not build.
static_assert(sizeof(kinfo_proc) == KINFO_PROC_SIZE, "kinfo_proc is not the size the kernel hands out");
static_assert(KINFO_PROC_SIZE == 1088, "kinfo_proc is not the 64-bit record of 1088 bytes");

// The shared logic reads the record's numbers with these values.
static_assert(KI_CTTY == KPROC_CTTY && TDF_SINTR == KPROC_SINTR,
              "record flags differ from those the shared logic reads");
static_assert(SIDL == PS_NEW && SRUN == PS_RUNNING && SSLEEP == PS_SLEEPING && SSTOP == PS_STOPPED &&
                  SZOMB == PS_ZOMBIE && SWAIT == PS_WAITING && SLOCK == PS_LOCK,
              "process states are numbered differently from platform.h");

bool read_kinfo(int pid, kinfo_proc &kp)
{
    int mib[4] = {CTL_KERN, KERN_PROC, KERN_PROC_PID, pid};
    std::size_t len = sizeof kp;
    return sysctl(mib, 4, &kp, &len, nullptr, 0) == 0 && len == sizeof kp && kp.ki_structsize == sizeof kp;
}

kproc_fields kinfo_fields(const kinfo_proc &kp)
{
    kproc_fields f;
    f.pid = kp.ki_pid;
    f.ppid = kp.ki_ppid;
    f.pgid = kp.ki_pgid;
    f.tpgid = kp.ki_tpgid;
    f.tdev = static_cast<std::uint64_t>(kp.ki_tdev);
    f.kiflag = kp.ki_kiflag;
    f.stat = kp.ki_stat;
    f.tdflags = kp.ki_tdflags;
    f.comm = std::string_view(kp.ki_comm, strnlen(kp.ki_comm, sizeof kp.ki_comm));
    f.start_sec = kp.ki_start.tv_sec;
    f.start_usec = kp.ki_start.tv_usec;
    f.threads = kp.ki_numthreads;
    f.size = kp.ki_size;
    f.rss_pages = kp.ki_rssize;
    return f;
}

long page_bytes()
{
    static const long size = getpagesize();
    return size;
}
