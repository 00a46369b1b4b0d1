// Processor time counters from <proc>/stat.
//
// The kernel keeps ten counters a processor, in clock ticks (USER_HZ):
// user, nice, system, idle, iowait, irq, softirq, steal, guest and
// guest_nice. vigil's five, in the order both backends share, are:
//   user       user
//   nice       nice
//   system     system
//   interrupt  irq + softirq
//   idle       idle + iowait (a processor waiting on the disk runs nothing)
// steal is time the hypervisor gave to someone else: this machine did not
// run then, in none of the five. guest and guest_nice are already counted
// in user and nice by the kernel, so adding them would count them twice.
//
// The "cpu" line sums every processor; one "cpuN" line follows for each
// online processor, and all of them come before any other line.
#include <string>
#include <string_view>

#include "platform/linux/sys_text.h"
#include "platform/platform.h"

namespace {

std::string stat_buf;

// The "cpu" and "cpuN" lines at the head of <proc>/stat: calls f(which, rest)
// with which -1 for the sum and N for "cpuN", rest the counters after the
// name, until the first line of another kind. f returns false to stop
// early. False when the file cannot be read.
template <typename F> bool each_cpu_line(F &&f)
{
    std::string_view text;
    if (!read_text(plat_root.proc, "stat", stat_buf, text))
        return false;
    std::string_view line;
    while (next_line(text, line)) {
        std::string_view name = next_word(line);
        if (!name.starts_with("cpu"))
            break;
        int which = -1;
        if (name != "cpu" && !whole_num(name.substr(3), which))
            break;
        if (!f(which, line))
            break;
    }
    return true;
}

// The five counters from the numbers after a processor's name. Kernels
// since 2.6 write at least the first seven; fewer is a line vigil does not
// understand.
bool parse_counters(std::string_view rest, plat_cpu_counters &out)
{
    unsigned long long k[7];
    for (unsigned long long &v : k)
        if (!whole_num(next_word(rest), v))
            return false;
    enum { USER, NICE, SYSTEM, IDLE, IOWAIT, IRQ, SOFTIRQ };
    out = {static_cast<long>(k[USER]), static_cast<long>(k[NICE]), static_cast<long>(k[SYSTEM]),
           static_cast<long>(k[IRQ] + k[SOFTIRQ]), static_cast<long>(k[IDLE] + k[IOWAIT])};
    return true;
}

} // namespace

bool plat_cpu_total(plat_cpu_counters &out)
{
    bool found = false;
    plat_cpu_counters c{};
    each_cpu_line([&](int which, std::string_view rest) {
        if (which == -1)
            found = parse_counters(rest, c);
        return false;
    });
    if (found)
        out = c;
    return found;
}

// Counts the processors the kernel lists, which are the online ones: the
// same set the counters describe.
int plat_cpu_count()
{
    int n = 0;
    bool read = each_cpu_line([&](int which, std::string_view) {
        n += which >= 0;
        return true;
    });
    return read && n > 0 ? n : -1;
}

// The first ncpu "cpuN" lines, in the kernel's order; false when there are
// fewer (a processor went offline since it was counted) or one of them is
// malformed.
bool plat_cpu_each(int ncpu, std::vector<plat_cpu_counters> &out)
{
    out.clear();
    if (ncpu < 1)
        return false;
    bool bad = false;
    each_cpu_line([&](int which, std::string_view rest) {
        if (which < 0)
            return true;
        plat_cpu_counters c{};
        bad = !parse_counters(rest, c);
        if (!bad)
            out.push_back(c);
        return !bad && out.size() < static_cast<std::size_t>(ncpu);
    });
    if (bad || out.size() != static_cast<std::size_t>(ncpu)) {
        out.clear();
        return false;
    }
    return true;
}
