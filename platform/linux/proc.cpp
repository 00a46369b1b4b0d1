#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/linux/file_read.h"
#include "platform/linux/proc_stat.h"
#include "platform/platform.h"

namespace {

struct dir_closer {
    void operator()(DIR *d) const { closedir(d); }
};
using unique_dir = std::unique_ptr<DIR, dir_closer>;

bool numeric(const char *s)
{
    if (!*s)
        return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9')
            return false;
    return true;
}

// Kept between table reads so that a read allocates nothing but the table.
std::vector<int> table_pids;

// Calendar seconds of a start given in clock ticks after boot; the boot
// time is asked once for the whole run.
std::int64_t start_time(std::uint64_t ticks)
{
    static const long ticks_per_sec = sysconf(_SC_CLK_TCK);
    static std::int64_t boot = -1;
    static bool asked = false;
    if (!asked) {
        asked = true;
        if (!plat_boot_time(boot))
            boot = -1;
    }
    if (boot < 0 || ticks_per_sec <= 0)
        return -1;
    return boot + static_cast<std::int64_t>(ticks / static_cast<std::uint64_t>(ticks_per_sec));
}

// One stat line: everything the record holds. The kernel writes the line
// whole in one read, so one read is all it takes: a second would only find
// the end. This runs for every process on every tick, so it is one open,
// one read and one close, relative to the proc root's descriptor when the
// table is read.
bool read_stat(int dirfd, const char *path, proc_rec &out)
{
    static const std::size_t page_size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    int fd = openat(dirfd, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A stat line is about 300 bytes; room for every field at its widest.
    char buf[2048];
    ssize_t n;
    do
        n = read(fd, buf, sizeof buf);
    while (n < 0 && errno == EINTR);
    close(fd);
    std::uint64_t ticks = 0;
    if (n <= 0 || !parse_proc_stat({buf, static_cast<std::size_t>(n)}, page_size, out, ticks))
        return false;
    out.start = start_time(ticks);
    return true;
}

// The resident size as the kernel counts it for VmRSS: statm's second
// figure, in pages. The stat line's own figure is an estimate that reads
// several percent low (proc(5) calls it inaccurate).
bool read_rss(int pid, std::uint64_t &bytes)
{
    static const std::uint64_t page_size = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    char buf[256];
    long n = read_pid_file(pid, "/statm", buf, sizeof buf - 1);
    if (n <= 0)
        return false;
    buf[n] = '\0';
    unsigned long long size = 0, resident = 0;
    if (std::sscanf(buf, "%llu %llu", &size, &resident) != 2)
        return false;
    bytes = resident * page_size;
    return true;
}

} // namespace

bool plat_proc(int pid, proc_rec &out)
{
    char path[4096];
    return pid_path(path, pid, "/stat") && read_stat(AT_FDCWD, path, out);
}

bool plat_proc_rss(int pid, std::uint64_t &bytes)
{
    return read_rss(pid, bytes);
}

// A process hidden by hidepid still answers EPERM here: the kernel tells
// "not yours" from "none" to everyone.
int plat_pid_exists(int pid)
{
    if (pid <= 0)
        return 0;
    return kill(pid, 0) == 0 || errno == EPERM ? 1 : 0;
}

// Down from pid through each process's list of children, breadth first:
// the process that holds a login's line (sshd's shell, a pane's shell) is
// one or two steps below the recorded one, and a big build below it is
// not walked before the shell is found. Only the children of a process's
// main thread are listed, which is where daemons and shells fork.
bool plat_tty_member(int pid, std::uint64_t tty, int pgrp, proc_rec &out)
{
    // A bound on what one look costs, far beyond any real login's shape.
    constexpr std::size_t max_visits = 512;
    if (tty == 0)
        return false;
    static std::vector<int> queue;
    queue.assign(1, pid);
    for (std::size_t i = 0; i < queue.size() && i < max_visits; ++i) {
        proc_rec r;
        if (!plat_proc(queue[i], r))
            continue;
        if (r.tty == tty && r.state != 'Z' && (pgrp <= 0 || r.pgrp == pgrp)) {
            out = r;
            return true;
        }
        char leaf[64];
        std::snprintf(leaf, sizeof leaf, "/task/%d/children", queue[i]);
        char buf[4096];
        long n = read_pid_file(queue[i], leaf, buf, sizeof buf - 1);
        if (n <= 0)
            continue;
        buf[n] = '\0';
        for (char *p = buf;;) {
            char *end;
            long child = std::strtol(p, &end, 10);
            if (end == p)
                break;
            queue.push_back(static_cast<int>(child));
            p = end;
        }
    }
    return false;
}

bool plat_proc_euid(int pid, std::uint32_t &uid)
{
    // status has the uid within its first dozen lines.
    char buf[4096];
    long n = read_pid_file(pid, "/status", buf, sizeof buf);
    return n > 0 && parse_status_uid({buf, static_cast<std::size_t>(n)}, uid);
}

int plat_proc_table(proc_rec **out)
{
    *out = nullptr;
    unique_dir d(opendir(plat_root.proc.c_str()));
    if (!d)
        return 0;
    table_pids.clear();
    while (dirent *e = readdir(d.get()))
        if (numeric(e->d_name))
            table_pids.push_back(std::atoi(e->d_name));

    auto *recs = static_cast<proc_rec *>(std::calloc(table_pids.size() + 1, sizeof(proc_rec)));
    *out = recs;
    if (!recs)
        return 0;
    // Processes that went between the listing and their read are left out.
    int count = 0;
    for (int pid : table_pids) {
        char path[32];
        std::snprintf(path, sizeof path, "%d/stat", pid);
        if (read_stat(dirfd(d.get()), path, recs[count]))
            ++count;
    }
    return count;
}

bool plat_proc_owner(int pid, std::uint32_t &uid)
{
    char path[4096];
    struct stat st;
    if (!pid_path(path, pid, "") || stat(path, &st) != 0)
        return false;
    uid = st.st_uid;
    return true;
}
