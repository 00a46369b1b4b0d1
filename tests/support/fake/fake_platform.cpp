#include "tests/support/fake/fake_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "platform/platform.h"

namespace {

struct fake_host {
    std::map<int, fake_proc> procs;
    bool cmdlines_readable = true;
    bool table_fails = false;
    int cmdline_reads = 0;
    std::vector<plat_login> logins;
    bool logins_fail = false;
    std::map<std::uint32_t, std::string> users;
    int user_lookups = 0;
    bool load_known = false;
    double load[3] = {};
};

fake_host host;

proc_rec record(const fake_proc &p)
{
    proc_rec r{};
    r.pid = p.pid;
    r.ppid = p.ppid;
    r.tpgid = p.tpgid;
    r.state = p.state;
    std::strncpy(r.comm, p.name.c_str(), sizeof r.comm - 1);
    r.threads = 1;
    r.start = -1;
    return r;
}

}  // namespace

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

void fake_table_fails(bool yes)
{
    host.table_fails = yes;
}

int fake_cmdline_reads()
{
    return host.cmdline_reads;
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

// ---- the platform interface ----------------------------------------------

bool plat_proc(int pid, proc_rec &out)
{
    auto it = host.procs.find(pid);
    if (it == host.procs.end())
        return false;
    out = record(it->second);
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

bool plat_proc_euid(int pid, std::uint32_t &uid)
{
    auto it = host.procs.find(pid);
    if (it == host.procs.end())
        return false;
    uid = it->second.uid;
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
