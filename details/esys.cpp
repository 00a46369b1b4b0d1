// The system report: its order, and the summary at its head (boot time,
// processor shares, memory, file counts, raw processor counters). The
// lists of what the kernel is made of follow it, from inventory.cpp.
#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "details/details.h"
#include "platform/platform.h"

namespace {

const char unavailable[] = "Information unavailable.\n";

bool boot_known = false;
std::int64_t boot_secs = 0;

// The counters as the previous new look at the report and this one read
// them. They live for the whole run, so the shares cover the time since the
// previous tick's report, or since the report was last opened; the first
// report compares with zero and so shows the shares since boot.
counters previous;
counters current;
bool cpu_unread = false;

// Where each counter sits in the platform's five.
enum { CPU_USER, CPU_NICE, CPU_SYS, CPU_INTR, CPU_IDLE };

void cpu_share_line()
{
    // Drawn again to scroll or after a resize, the line shows what the last
    // look measured: a sample now would measure a few milliseconds.
    if (exti_new_look()) {
        previous = current;
        // A failed read leaves the sample as it was: every delta is 0, and
        // the line shows 0.0 for all four.
        cpu_unread = sys_cpu_info(&current) == -1;
    }
    if (cpu_unread)
        println("%s", unavailable);
    const std::array<std::uint64_t, 4> delta = {
        current.user - previous.user,
        current.sys - previous.sys,
        current.nice - previous.nice,
        current.idle - previous.idle,
    };
    std::uint64_t total = 0;
    for (std::uint64_t d : delta)
        total += d;
    std::array<float, 4> share{};
    if (total != 0)
        for (std::size_t i = 0; i < share.size(); ++i)
            share[i] = static_cast<float>(100 * delta[i]) / static_cast<float>(total);
    char line[64];
    std::snprintf(line, sizeof line, "%.1f%% user %.1f%% sys %.1f%% nice %.1f%% idle\n", static_cast<double>(share[0]),
                  static_cast<double>(share[1]), static_cast<double>(share[2]), static_cast<double>(share[3]));
    print("%s", line);
}

// One row of the memory table: each unit rounds the one below it to the
// nearest whole unit, so the columns agree with each other rather than
// each with the byte count.
void mem_row(const char *name, std::uint64_t bytes, std::uint64_t pages)
{
    std::uint64_t kib = (bytes + 512) >> 10;
    std::uint64_t mib = (kib + 512) >> 10;
    std::uint64_t gib = (mib + 512) >> 10;
    println("%s|%5llu|%8llu|%11llu|%14llu|%11llu\n", name, static_cast<unsigned long long>(gib),
            static_cast<unsigned long long>(mib), static_cast<unsigned long long>(kib),
            static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(pages));
}

std::uint64_t bytes_to_pages(std::uint64_t bytes, int ps)
{
    return ps < 1 ? 0 : bytes / static_cast<std::uint64_t>(ps);
}

void bytes_row(const char *name, std::uint64_t bytes, int ps)
{
    mem_row(name, bytes, bytes_to_pages(bytes, ps));
}

void pages_row(const char *name, std::uint64_t pages, int ps)
{
    mem_row(name, static_cast<std::uint64_t>(ps) * pages, pages);
}

// Steps 5 to 7 of the report: a count, with no newline of its own (the
// next title begins with one).
void count_line(long value)
{
    if (value == -1)
        println("%s", unavailable);
    else
        println("%lld", static_cast<long long>(value));
}

// Every counter followed by a space, the last one too.
void counter_row(const plat_cpu_counters &c)
{
    for (long v : c)
        print("%ld ", v);
    newln();
}

} // namespace

// Asked of the system until it answers once; the boot time does not change.
long sys_boot_time()
{
    if (!boot_known && plat_boot_time(boot_secs))
        boot_known = true;
    return boot_known ? static_cast<long>(boot_secs) : -1;
}

// Interrupt time is left out of the shares.
int sys_cpu_info(counters *c)
{
    plat_cpu_counters k;
    if (!plat_cpu_total(k))
        return -1;
    c->user = static_cast<std::uint64_t>(k[CPU_USER]);
    c->nice = static_cast<std::uint64_t>(k[CPU_NICE]);
    c->sys = static_cast<std::uint64_t>(k[CPU_SYS]);
    c->idle = static_cast<std::uint64_t>(k[CPU_IDLE]);
    return 0;
}

// A memory figure the system will not give is shown as 0, as plat_mem_info
// leaves it: the table keeps all its rows, and a 0 among real figures
// reads as "nothing there" without hiding the rest. No swap, or swap that
// cannot be read, is 0 in the three swap rows alike.
void sys_mem_info()
{
    std::uint32_t swap_total = 0, swap_used = 0;
    if (!plat_swap_info(swap_total, swap_used) || swap_total == 0)
        swap_total = swap_used = 0;
    plat_mem m;
    plat_mem_info(m);

    int ps = m.page_size == 0 ? 1 : m.page_size;
    println("PageSize: %u Bytes\n", static_cast<unsigned>(ps));
    println("Name          | GiB |   MiB  |    KiB    |     Bytes    |   Pages\n");
    bytes_row("RealMemTotal  ", m.realmem, ps);
    bytes_row("PhysMemTotal  ", m.physmem, ps);
    pages_row("MemFree       ", m.free, ps);
    pages_row("MemAvailable  ", m.available, ps);
    pages_row("Active        ", m.active, ps);
    pages_row("Inactive      ", m.inactive, ps);
    pages_row("Laundry       ", m.laundry, ps);
    pages_row("Wired         ", m.wired, ps);
    bytes_row("Buffers       ", m.bufspace, ps);
    bytes_row("SwapTotal Real", m.swap_total, ps);
    pages_row("SwapTotal Phys", swap_total, ps);
    pages_row("SwapUsed      ", swap_used, ps);
    pages_row("SwapFree      ", static_cast<std::uint64_t>(swap_total) - swap_used, ps);
}

long sys_open_files()
{
    return plat_open_files();
}

long sys_open_inodes()
{
    return plat_used_inodes();
}

long sys_max_files()
{
    return plat_max_files();
}

// The raw counters, over all processors and then each; when only the
// processors' own cannot be read, the overall row stands above the
// message.
void sys_stat_info()
{
    plat_cpu_counters total;
    if (!plat_cpu_total(total)) {
        println("%s", unavailable);
        return;
    }
    print("cpu ");
    counter_row(total);
    int ncpu = plat_cpu_count();
    std::vector<plat_cpu_counters> each;
    if (ncpu < 0 || !plat_cpu_each(ncpu, each)) {
        println("%s", unavailable);
        return;
    }
    for (std::size_t i = 0; i < each.size(); ++i) {
        print("cpu%d ", static_cast<int>(i));
        counter_row(each[i]);
    }
}

void esys(void *)
{
    plgn_out_start();
    title("BOOT TIME: ");
    long t = sys_boot_time();
    if (t == -1) {
        println("%s", unavailable);
    } else {
        std::time_t when = t;
        print("%s", std::ctime(&when));
    }
    title("CPU: ");
    cpu_share_line();
    title("MEMORY:");
    newln();
    sys_mem_info();
    title("USED FILES: ");
    count_line(sys_open_files());
    title("\nUSED INODES: ");
    count_line(sys_open_inodes());
    title("\nMAX FILES: ");
    count_line(sys_max_files());
    title("\nSTAT:");
    newln();
    sys_stat_info();
    title("\nLOADED MODULES:");
    newln();
    sys_modules_info();
    title("\nFILESYSTEMS:");
    newln();
    sys_filesystems_info();
    title("\nPARTITIONS:");
    newln();
    sys_partitions_info();
    title("\nDEVICES:\n");
    sys_devices_info();
}
