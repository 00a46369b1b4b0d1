#include "tests/support/fake/fake_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/common/proc_files.h"
#include "platform/common/state_code.h"
#include "platform/platform.h"

namespace {

struct fake_host {
    std::map<int, fake_proc> procs;
    std::set<int> hidden;
    bool pids_untold = false;
    std::map<std::string, std::uint64_t> lines;
    bool cmdlines_readable = true;
    bool table_fails = false;
    std::vector<plat_login> logins;
    bool logins_fail = false;
    int cmdline_reads = 0;
    std::vector<fake_signal> signals;
    std::map<std::uint32_t, std::string> users;
    int user_lookups = 0;
    std::map<std::string, plat_passwd> passwd;
    bool load_known = false;
    double load[3] = {};
    fake_sys sys;
};

fake_host host;

const fake_proc *proc_of(int pid)
{
    auto it = host.procs.find(pid);
    return it == host.procs.end() ? nullptr : &it->second;
}

// Copies a list the test set; an unset one cannot be read.
template <typename T> bool hand_out(const std::optional<std::vector<T>> &list, std::vector<T> &out)
{
    out.clear();
    if (!list)
        return false;
    out = *list;
    return true;
}

proc_rec record(const fake_proc &p)
{
    proc_rec r{};
    r.pid = p.pid;
    r.ppid = p.ppid;
    r.pgrp = p.pgrp;
    r.tpgid = p.tpgid;
    r.tty = p.tty;
    r.state = p.state;
    std::strncpy(r.comm, p.name.c_str(), sizeof r.comm - 1);
    r.state_code = p.state_code ? p.state_code : state_code_of(p.state);
    r.threads = p.threads;
    r.start = p.start;
    r.start_id = p.start_id;
    r.vsize = p.vsize;
    r.rss = p.rss;
    return r;
}

} // namespace

void fake_reset()
{
    host = fake_host{};
}

void fake_process(const fake_proc &p)
{
    host.procs[p.pid] = p;
}

void fake_process_gone(int pid)
{
    host.procs.erase(pid);
}

void fake_process_hidden(int pid)
{
    host.procs.erase(pid);
    host.hidden.insert(pid);
}

void fake_pids_untold(bool yes)
{
    host.pids_untold = yes;
}

void fake_line(const std::string &line, std::uint64_t dev)
{
    host.lines[line] = dev;
}

void fake_table_fails(bool yes)
{
    host.table_fails = yes;
}

std::string fake_argv(std::initializer_list<std::string> args)
{
    std::string raw;
    for (const std::string &a : args) {
        raw += a;
        raw += '\0';
    }
    return raw;
}

void fake_cmdlines_readable(bool yes)
{
    host.cmdlines_readable = yes;
}

int fake_cmdline_reads()
{
    return host.cmdline_reads;
}

const std::vector<fake_signal> &fake_signals()
{
    return host.signals;
}

void fake_login(const std::string &user, const std::string &line, const std::string &host_name, int pid)
{
    host.logins.push_back({user, line, host_name, pid});
}

void fake_logins_clear()
{
    host.logins.clear();
}

void fake_logins_fail(bool yes)
{
    host.logins_fail = yes;
}

void fake_user(std::uint32_t uid, const std::string &name)
{
    host.users[uid] = name;
}

int fake_user_lookups()
{
    return host.user_lookups;
}

void fake_passwd(const plat_passwd &pw)
{
    host.passwd[pw.name] = pw;
    host.users[pw.uid] = pw.name;
}

void fake_load(double one, double five, double fifteen)
{
    host.load_known = true;
    host.load[0] = one;
    host.load[1] = five;
    host.load[2] = fifteen;
}

void fake_load_unavailable()
{
    host.load_known = false;
}

fake_sys &fake_system()
{
    return host.sys;
}

void fake_system(const fake_sys &s)
{
    host.sys = s;
}

// ---- the platform interface ----------------------------------------------

bool plat_proc(int pid, proc_rec &out)
{
    auto it = host.procs.find(pid);
    if (it == host.procs.end())
        return false;
    out = record(it->second);
    return true;
}

int plat_pid_exists(int pid)
{
    if (host.procs.count(pid))
        return 1;
    if (host.pids_untold)
        return -1;
    return host.hidden.count(pid) ? 1 : 0;
}

// Breadth first from pid, as the Linux backend looks.
bool plat_tty_member(int pid, std::uint64_t tty, int pgrp, proc_rec &out)
{
    if (tty == 0)
        return false;
    std::vector<int> queue{pid};
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const fake_proc *p = proc_of(queue[i]);
        if (!p)
            continue;
        if (p->tty == tty && p->state != 'Z' && (pgrp <= 0 || p->pgrp == pgrp)) {
            out = record(*p);
            return true;
        }
        for (const auto &[child, c] : host.procs)
            if (c.ppid == queue[i] && child != queue[i])
                queue.push_back(child);
    }
    return false;
}

bool plat_line_device(const char *line, std::uint64_t &dev)
{
    auto it = host.lines.find(line);
    if (it == host.lines.end())
        return false;
    dev = it->second;
    return true;
}

int plat_proc_table(proc_rec **out)
{
    auto *recs = static_cast<proc_rec *>(std::calloc(host.procs.size() + 1, sizeof(proc_rec)));
    *out = recs;
    if (!recs || host.table_fails)
        return 0;
    int n = 0;
    for (const auto &[pid, p] : host.procs)
        recs[n++] = record(p);
    return n;
}

long plat_cmdline(int pid, char *buf, std::size_t len)
{
    ++host.cmdline_reads;
    auto it = host.procs.find(pid);
    if (it == host.procs.end())
        return -1;
    std::size_t n = std::min(len, it->second.cmdline.size());
    std::memcpy(buf, it->second.cmdline.data(), n);
    return static_cast<long>(n);
}

bool plat_can_read_cmdlines()
{
    return host.cmdlines_readable;
}

bool plat_proc_owner(int pid, std::uint32_t &uid)
{
    auto it = host.procs.find(pid);
    if (it == host.procs.end())
        return false;
    uid = it->second.uid;
    return true;
}

bool plat_proc_rss(int pid, std::uint64_t &bytes)
{
    const fake_proc *p = proc_of(pid);
    if (!p)
        return false;
    bytes = p->rss;
    return true;
}

bool plat_proc_euid(int pid, std::uint32_t &uid)
{
    auto it = host.procs.find(pid);
    if (it == host.procs.end())
        return false;
    uid = it->second.uid;
    return true;
}

bool plat_proc_exe(int pid, std::string &path)
{
    const fake_proc *p = proc_of(pid);
    if (!p || p->exe.empty())
        return false;
    path = p->exe;
    return true;
}

// Only the window's descriptors are handed out, as the real backends
// read only those: a report that asked for the wrong window shows it.
bool plat_proc_files(int pid, std::size_t first, std::size_t count, plat_files &out)
{
    out = plat_files{};
    const fake_proc *p = proc_of(pid);
    if (!p || p->files_unreadable)
        return false;
    window_of(p->files, first, count, out);
    return true;
}

bool plat_user_name(std::uint32_t uid, std::string &name)
{
    ++host.user_lookups;
    auto it = host.users.find(uid);
    if (it == host.users.end())
        return false;
    name = it->second;
    return true;
}

bool plat_logins(std::vector<plat_login> &out)
{
    out.clear();
    if (host.logins_fail)
        return false;
    out = host.logins;
    return true;
}

int plat_loadavg(double *loads, int n)
{
    if (!host.load_known)
        return -1;
    int i = 0;
    for (; i < n && i < 3; ++i)
        loads[i] = host.load[i];
    return i;
}

bool plat_user_by_name(const char *name, plat_passwd &out)
{
    auto it = name ? host.passwd.find(name) : host.passwd.end();
    if (it == host.passwd.end())
        return false;
    out = it->second;
    return true;
}

// ---- the system ----------------------------------------------------------

bool plat_boot_time(std::int64_t &secs)
{
    if (host.sys.boot_time < 0)
        return false;
    secs = host.sys.boot_time;
    return true;
}

bool plat_cpu_total(plat_cpu_counters &out)
{
    if (!host.sys.cpu_total)
        return false;
    out = *host.sys.cpu_total;
    return true;
}

int plat_cpu_count()
{
    return host.sys.cpu_count;
}

bool plat_cpu_each(int ncpu, std::vector<plat_cpu_counters> &out)
{
    out.clear();
    const auto &each = host.sys.cpu_each;
    if (!each || ncpu < 0 || static_cast<std::size_t>(ncpu) > each->size())
        return false;
    out.assign(each->begin(), each->begin() + ncpu);
    return true;
}

void plat_mem_info(plat_mem &out)
{
    out = host.sys.mem;
}

bool plat_swap_info(std::uint32_t &total, std::uint32_t &used)
{
    if (!host.sys.swap)
        return false;
    total = host.sys.swap->total;
    used = host.sys.swap->used;
    return true;
}

long plat_open_files()
{
    return host.sys.open_files;
}

long plat_max_files()
{
    return host.sys.max_files;
}

long plat_used_inodes()
{
    return host.sys.used_inodes;
}

bool plat_modules(std::vector<plat_module> &out)
{
    if (!hand_out(host.sys.modules, out))
        return false;
    // What was read before the failure stays.
    if (host.sys.modules_fail_after) {
        if (*host.sys.modules_fail_after < out.size())
            out.resize(*host.sys.modules_fail_after);
        return false;
    }
    return true;
}

bool plat_fstypes(std::vector<plat_fstype> &out)
{
    return hand_out(host.sys.fstypes, out);
}

bool plat_partitions(std::vector<plat_partition> &out)
{
    return hand_out(host.sys.partitions, out);
}

bool plat_devices(std::vector<plat_device> &out)
{
    return hand_out(host.sys.devices, out);
}

bool plat_send_signal(int pid, std::uint64_t start_id, int sig)
{
    const fake_proc *p = proc_of(pid);
    if (!p || p->start_id != start_id)
        return false;
    host.signals.push_back({pid, sig});
    return true;
}

std::span<const int> plat_crash_signals()
{
    return {};
}

std::span<const int> plat_fatal_signals()
{
    return {};
}
