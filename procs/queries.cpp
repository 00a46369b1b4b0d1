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

} // namespace

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

namespace {

// The arguments joined into cmd_buf; false (and cmd_buf empty) when there
// are none to show: the process is gone, a kernel thread or a zombie, or
// full command lines are off.
bool read_args(int pid)
{
    std::memset(cmd_buf, 0, sizeof cmd_buf);
    // One byte more than fits, so that a vector ending right at the limit
    // still shows its final zero byte.
    char raw[cmd_max + 1];
    long got = full_cmd && can_use_kvm ? plat_cmdline(pid, raw, sizeof raw) : -1;
    if (got <= 0)
        return false;
    auto n = static_cast<std::size_t>(got);
    // Every argument ends with a zero byte; only those between arguments
    // become spaces, so an empty argument shows as two spaces.
    if (raw[n - 1] == '\0')
        --n;
    n = std::min(n, cmd_max);
    for (std::size_t i = 0; i < n; ++i)
        cmd_buf[i] = raw[i] ? raw[i] : ' ';
    return true;
}

// The command name into cmd_buf, from a record read for it.
const char *name_of(const proc_rec &r)
{
    std::memset(cmd_buf, 0, sizeof cmd_buf);
    std::memcpy(cmd_buf, r.comm, strnlen(r.comm, std::min(sizeof r.comm, cmd_max)));
    return cmd_buf;
}

// The command line of a process that still runs: null when it is gone or
// a zombie, which have no command to show for a terminal.
const char *live_cmdline(int pid)
{
    // Arguments are had only from a live process, so they answer both.
    if (read_args(pid))
        return cmd_buf;
    proc_rec r;
    return plat_proc(pid, r) && r.state != 'Z' ? name_of(r) : nullptr;
}

} // namespace

const char *get_cmdline(int pid)
{
    // This runs for every line on every redraw, so the arguments come
    // first: when they can be read the process exists, and its record,
    // wanted only for the name that stands in for them, is not read.
    if (read_args(pid))
        return cmd_buf;
    // Gone, a kernel thread, a zombie, or full command lines off: the name.
    proc_rec r;
    return plat_proc(pid, r) ? name_of(r) : "-";
}

// What `w` shows for a line: the command of the leader of the line's
// foreground group. The recorded process need not hold the line itself
// (sshd records its monitor, which has no terminal; a terminal program
// records itself, its pane's shell holds the line), so the process holding
// it is looked for below the recorded one, once, and then only checked on
// later ticks while it still holds the line.
const char *get_w(int pid, w_line &line)
{
    proc_rec h;
    // A line that is no terminal (an X display): what the login process's
    // own terminal runs, if it has one.
    if (line.dev == 0)
        return get_cmdline(plat_proc(pid, h) ? h.tpgid : -1);
    bool held = line.holder > 0 && plat_proc(line.holder, h) && h.tty == line.dev && h.state != 'Z' &&
                h.start_id == line.holder_start;
    if (!held) {
        held = plat_tty_member(pid, line.dev, 0, h);
        line.holder = held ? h.pid : 0;
        line.holder_start = held ? h.start_id : 0;
    }
    if (!held || h.tpgid <= 0)
        return "-";
    if (const char *c = live_cmdline(h.tpgid))
        return c;
    // The leader has exited while the rest of its group runs on: one of
    // them, which the line's holder started, stands for the group.
    proc_rec m;
    return plat_tty_member(h.pid, line.dev, h.tpgid, m) ? get_cmdline(m.pid) : "-";
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
