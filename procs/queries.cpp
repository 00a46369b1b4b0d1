#include <algorithm>
#include <cstring>

#include "procs/procs.h"

int can_use_kvm = 0;
int full_cmd = 1;

namespace {

char name_buf[129];
// Room for a leading space and 510 characters once the arguments are
// joined; the last byte always stays a terminator.
char cmd_buf[512];
constexpr std::size_t cmd_max = sizeof cmd_buf - 2;

}  // namespace

int kvm_init()
{
    return plat_can_read_cmdlines() ? 1 : 0;
}

int get_all_info(proc_rec **out)
{
    return plat_proc_table(out);
}

int get_ppid(int pid)
{
    proc_rec r;
    return plat_proc(pid, r) ? r.ppid : -1;
}

const char *get_name(int pid)
{
    proc_rec r;
    if (!plat_proc(pid, r))
        return "can't access";
    std::size_t n = strnlen(r.comm, std::min(sizeof r.comm, sizeof name_buf - 1));
    std::memcpy(name_buf, r.comm, n);
    name_buf[n] = '\0';
    return name_buf;
}

const char *get_cmdline(int pid)
{
    std::memset(cmd_buf, 0, sizeof cmd_buf);
    // This runs for every line on every redraw, so the arguments come
    // first: when they can be read the process exists, and its record,
    // wanted only for the name that stands in for them, is not read. One
    // byte more than fits, so that a vector ending right at the limit still
    // shows its final zero byte.
    char raw[cmd_max + 1];
    long got = full_cmd && can_use_kvm ? plat_cmdline(pid, raw, sizeof raw) : -1;
    if (got > 0) {
        auto n = static_cast<std::size_t>(got);
        // Every argument ends with a zero byte; only those between
        // arguments become spaces, so an empty argument shows as two spaces.
        if (raw[n - 1] == '\0')
            --n;
        n = std::min(n, cmd_max);
        for (std::size_t i = 0; i < n; ++i)
            cmd_buf[i] = raw[i] ? raw[i] : ' ';
        return cmd_buf;
    }
    // Gone, a kernel thread, a zombie, or full command lines off: the name.
    proc_rec r;
    if (!plat_proc(pid, r))
        return "-";
    std::memcpy(cmd_buf, r.comm, strnlen(r.comm, std::min(sizeof r.comm, cmd_max)));
    return cmd_buf;
}

const char *get_w(int pid)
{
    proc_rec r;
    return get_cmdline(plat_proc(pid, r) ? r.tpgid : -1);
}

int proc_pid_uid(int pid)
{
    std::uint32_t uid;
    return plat_proc_owner(pid, uid) ? static_cast<int>(uid) : -1;
}

int proc_getloadavg(double *loads, int n)
{
    return plat_loadavg(loads, n);
}
