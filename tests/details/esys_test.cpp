// The system report against the fake backend: every section in order with
// its rounding, the processor shares from report to report, the memory
// table's odd hosts, each section's fallback, and how far "z" scrolls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "core/loop.h"
#include "tests/details/window_rows.h"
#include "tests/support/screen/window_fixture.h"

namespace {

// The rows from the one that starts with `title` up to the next empty row.
std::vector<std::string> section(const std::vector<std::string> &rows, const std::string &title)
{
    std::vector<std::string> out;
    bool in = false;
    for (const std::string &r : rows) {
        if (!in && r.starts_with(title))
            in = true;
        else if (in && r.empty())
            break;
        if (in)
            out.push_back(r);
    }
    return out;
}

constexpr std::int64_t boot = 1700000000;

std::string boot_row()
{
    std::time_t t = boot;
    std::string when = std::ctime(&t);
    when.pop_back();
    return "BOOT TIME: " + when;
}

// A host that answers everything.
fake_sys whole_host()
{
    fake_sys h;
    h.boot_time = boot;
    h.cpu_total = plat_cpu_counters{600, 10, 200, 5, 1190};
    h.cpu_count = 4;
    h.cpu_each = std::vector<plat_cpu_counters>{
        {150, 10, 50, 5, 300}, {150, 0, 50, 0, 290}, {150, 0, 50, 0, 300}, {150, 0, 50, 0, 300}};
    h.mem = {.page_size = 4096,
             .free = 1000,
             .active = 2000,
             .inactive = 3000,
             .laundry = 100,
             .wired = 500,
             .bufspace = 1536,
             .swap_total = 8589934592,
             .realmem = 17179869184,
             .physmem = 17000000000,
             .available = 4100};
    h.swap = fake_swap{2048, 512};
    h.open_files = 1562;
    h.max_files = 2466165;
    h.used_inodes = 427027;
    h.modules = std::vector<plat_module>{
        {"kernel", 31457280, 12, 0xffffffff80200000},
        {"zfs\x1b]0;owned\x07.ko", 4096, 1, 0xffffffff82000000},
    };
    h.fstypes = std::vector<plat_fstype>{
        {"ufs", FSF_STATIC},
        {"nfs", FSF_NETWORK | FSF_JAIL},
        {"tmpfs", 0x1}, // no flag of the table
        {"everything-and-then-some", 0xff0000},
    };
    h.partitions = std::vector<plat_partition>{{"ada0", 500107862016}, {"ada0p1", 524288}};
    h.devices = std::vector<plat_device>{
        {"acpi0", "acpi", true, true},
        {"pcib0", "", false, false}, // present, no driver: its children still show
        {"pci0", "pci", true, true},
        {"vgapci0", "", false, true}, // busy without a driver
        {"", "ghost", true, true},
        {"uart0", "uart", true, false},
        {"a-rather-long-device-name0", "a-rather-long-driver-name", true, true},
        {"gpu\x1b[31m0", "drm", true, true},
        {"\xef\xbc\xa1\xef\xbc\xa2\xef\xbc\xa3\xef\xbc\xa4\xef\xbc\xa5\xef\xbc\xa6\xef\xbc\xa7\xef\xbc\xa8"
         "\xef\xbc\xa9\xef\xbc\xaa\xef\xbc\xab", // eleven characters of two cells each
         "wide", true, true},
        {"hdac0", "hdac", true, true},
    };
    return h;
}

const std::string no = "Information unavailable.";

// A window of 121 rows holds the whole report.
struct SystemReport : ::testing::Test {
    window_screen s{243, 100};

    std::vector<std::string> report() { return shown(s.exti); }
};

// Two reports within one tick of the counters: all four shares 0.0. The
// whole report is checked as the second one shows it.
TEST_F(SystemReport, EverySectionInOrder)
{
    fake_system(whole_host());
    s.keys({'s'});
    s.tick();
    std::vector<std::string> rows = report();
    const std::vector<std::string> want = {
        boot_row(),
        "CPU: 0.0% user 0.0% sys 0.0% nice 0.0% idle",
        "MEMORY:",
        "PageSize: 4096 Bytes",
        "Name          | GiB |   MiB  |    KiB    |     Bytes    |   Pages",
        "RealMemTotal  |   16|   16384|   16777216|   17179869184|    4194304",
        "PhysMemTotal  |   16|   16212|   16601563|   17000000000|    4150390",
        "MemFree       |    0|       4|       4000|       4096000|       1000",
        "MemAvailable  |    0|      16|      16400|      16793600|       4100",
        "Active        |    0|       8|       8000|       8192000|       2000",
        "Inactive      |    0|      12|      12000|      12288000|       3000",
        "Laundry       |    0|       0|        400|        409600|        100",
        "Wired         |    0|       2|       2000|       2048000|        500",
        "Buffers       |    0|       0|          2|          1536|          0",
        "SwapTotal Real|    8|    8192|    8388608|    8589934592|    2097152",
        "SwapTotal Phys|    0|       8|       8192|       8388608|       2048",
        "SwapUsed      |    0|       2|       2048|       2097152|        512",
        "SwapFree      |    0|       6|       6144|       6291456|       1536",
        "USED FILES: 1562",
        "USED INODES: 427027",
        "MAX FILES: 2466165",
        "STAT:",
        "cpu 600 10 200 5 1190",
        "cpu0 150 10 50 5 300",
        "cpu1 150 0 50 0 290",
        "cpu2 150 0 50 0 300",
        "cpu3 150 0 50 0 300",
        "",
        "LOADED MODULES:",
        "kernel 31457280 12 - Live 0xffffffff80200000",
        "zfs?]0;owned?.ko 4096 1 - Live 0xffffffff82000000",
        "",
        "FILESYSTEMS:",
        "Filesystem            Flags",
        "-------------------- -------------------",
        "ufs                  static",
        "nfs                  network, jail",
        "tmpfs",
        "everything-and-then- static, network, read-only, synthetic, loopback, unicode, jail, "
        "delegated-administration",
        "",
        "PARTITIONS:",
        "Name                 Size",
        "-------------------- -------------------",
        "ada0                 500107862016",
        "ada0p1               524288",
        "",
        "DEVICES:",
        "NAME                 DRIVER",
        "-------------------- -------------------",
        "acpi0                acpi",
        "pci0                 pci",
        "vgapci0              unknown",
        "a-rather-long-device a-rather-long-driver",
        "gpu?[31m0            drm",
        "(ten wide characters) wide",
        "hdac0                hdac",
    };
    // The pad reads a two-cell character back on both its cells: that row
    // is checked cell by cell. Ten characters fill the column, the eleventh
    // is cut.
    const int wide = static_cast<int>(want.size()) - 2;
    ASSERT_GT(rows.size(), static_cast<std::size_t>(wide));
    EXPECT_EQ(pad_text(s.exti->pad, wide, 0, 0), "\xef\xbc\xa1");
    EXPECT_EQ(pad_text(s.exti->pad, wide, 18, 18), "\xef\xbc\xaa");
    EXPECT_EQ(pad_text(s.exti->pad, wide, 20, 24), " wide");
    rows[static_cast<std::size_t>(wide)] = "(ten wide characters) wide";
    EXPECT_EQ(rows, want);
    EXPECT_EQ(s.exti->last_line, static_cast<int>(want.size()) - 1) << "the last device is the last row";
    // The section titles are bold, the figures are not.
    EXPECT_EQ(pad_attrs(s.exti->pad, 0, 0) & A_BOLD, A_BOLD);
    EXPECT_EQ(pad_attrs(s.exti->pad, 0, 11) & A_BOLD, 0u);
    auto devices = std::find(rows.begin(), rows.end(), "DEVICES:") - rows.begin();
    EXPECT_EQ(pad_attrs(s.exti->pad, static_cast<int>(devices), 0) & A_BOLD, A_BOLD);
    EXPECT_EQ(pad_attrs(s.exti->pad, static_cast<int>(devices) + 1, 0) & A_BOLD, 0u)
        << "the devices' header is not part of the title";
}

// Each report measures from the previous one; interrupt time is not a
// share; a failed read measures nothing.
TEST_F(SystemReport, ProcessorSharesSinceThePreviousReport)
{
    fake_system(whole_host());
    s.keys({'s'});
    auto cpu_row = [this] {
        return report()[1];
    };

    // user +50, nice 0, system +25, interrupt +100, idle +25.
    fake_system().cpu_total = plat_cpu_counters{650, 10, 225, 105, 1215};
    s.tick();
    EXPECT_EQ(cpu_row(), "CPU: 50.0% user 25.0% sys 0.0% nice 25.0% idle");
    // Scrolling and a resize draw the same look again: they measure nothing
    // new, and the next tick measures from the tick before.
    s.keys({'z', 'a', KBD_RIGHT, KBD_LEFT});
    resize_widgets(243, 100);
    EXPECT_EQ(cpu_row(), "CPU: 50.0% user 25.0% sys 0.0% nice 25.0% idle");

    // A third each of user, nice and idle.
    fake_system().cpu_total = plat_cpu_counters{651, 11, 225, 105, 1216};
    s.tick();
    EXPECT_EQ(cpu_row(), "CPU: 33.3% user 0.0% sys 33.3% nice 33.3% idle");

    // Unreadable: the message, and the line from the sample kept.
    fake_system().cpu_total.reset();
    s.tick();
    std::vector<std::string> rows = report();
    EXPECT_EQ(rows[1], "CPU: " + no);
    EXPECT_EQ(rows[2], "0.0% user 0.0% sys 0.0% nice 0.0% idle");
    EXPECT_EQ(section(rows, "STAT:"), (std::vector<std::string>{"STAT:", no}));

    // Readable again: measured from the last sample that was read.
    fake_system().cpu_total = plat_cpu_counters{652, 11, 228, 105, 1216};
    s.tick();
    EXPECT_EQ(cpu_row(), "CPU: 25.0% user 75.0% sys 0.0% nice 0.0% idle");
}

// A page size of 0 counts bytes; no swap is nothing used and nothing free,
// whatever "vm.swap_total" says.
TEST_F(SystemReport, MemoryOfAnOddHost)
{
    fake_sys h = whole_host();
    h.mem = {.page_size = 0,
             .free = 2,
             .inactive = 4294967295u,
             .bufspace = 10,
             .swap_total = 1048576,
             .realmem = 3000,
             .available = 11};
    h.swap.reset();
    fake_system(h);
    s.keys({'s'});
    std::vector<std::string> mem = section(report(), "MEMORY:");
    ASSERT_GE(mem.size(), 17u);
    EXPECT_EQ(mem[1], "PageSize: 1 Bytes");
    EXPECT_EQ(mem[3], "RealMemTotal  |    0|       0|          3|          3000|       3000");
    EXPECT_EQ(mem[4], "PhysMemTotal  |    0|       0|          0|             0|          0") << "not read: 0";
    EXPECT_EQ(mem[6], "MemAvailable  |    0|       0|          0|            11|         11");
    EXPECT_EQ(mem[11], "Buffers       |    0|       0|          0|            10|         10");
    EXPECT_EQ(mem[12], "SwapTotal Real|    0|       1|       1024|       1048576|    1048576");
    const std::string zero = "|    0|       0|          0|             0|          0";
    EXPECT_EQ(mem[13], "SwapTotal Phys" + zero);
    EXPECT_EQ(mem[14], "SwapUsed      " + zero);
    EXPECT_EQ(mem[15], "SwapFree      " + zero);

    // Swap devices of no size: nothing in use either.
    fake_system().swap = fake_swap{0, 7};
    s.tick();
    mem = section(report(), "MEMORY:");
    EXPECT_EQ(mem[14], "SwapUsed      " + zero);
    EXPECT_EQ(mem[15], "SwapFree      " + zero);
}

// Whatever cannot be read gives its message and the report goes on. The
// boot time is left to the first-report test: once read it is kept.
TEST_F(SystemReport, EverySectionHasItsFallback)
{
    s.keys({'s'});
    std::vector<std::string> rows = report();
    ASSERT_GE(rows.size(), 2u);
    rows.erase(rows.begin());
    const std::string zero = "|    0|       0|          0|             0|          0";
    const std::vector<std::string> want = {
        "CPU: " + no,
        "0.0% user 0.0% sys 0.0% nice 0.0% idle",
        "MEMORY:",
        "PageSize: 1 Bytes",
        "Name          | GiB |   MiB  |    KiB    |     Bytes    |   Pages",
        "RealMemTotal  " + zero,
        "PhysMemTotal  " + zero,
        "MemFree       " + zero,
        "MemAvailable  " + zero,
        "Active        " + zero,
        "Inactive      " + zero,
        "Laundry       " + zero,
        "Wired         " + zero,
        "Buffers       " + zero,
        "SwapTotal Real" + zero,
        "SwapTotal Phys" + zero,
        "SwapUsed      " + zero,
        "SwapFree      " + zero,
        "USED FILES: " + no,
        "",
        "USED INODES: " + no,
        "",
        "MAX FILES: " + no,
        "",
        "STAT:",
        no,
        "",
        "LOADED MODULES:",
        no,
        "",
        "FILESYSTEMS:",
        no,
        "",
        "PARTITIONS:",
        no,
        "",
        "DEVICES:",
        no,
    };
    EXPECT_EQ(rows, want);

    // Half a section: the overall counters stand above the message when the
    // processors' own fail; the modules read before a failure stay; a host
    // without disks still has the table's head.
    fake_sys h = whole_host();
    h.cpu_each = std::vector<plat_cpu_counters>{{1, 2, 3, 4, 5}}; // fewer than cpu_count
    h.modules_fail_after = 1;
    h.partitions = std::vector<plat_partition>{};
    h.devices = std::vector<plat_device>{{"pcib0", "", false, false}};
    fake_system(h);
    s.tick();
    rows = report();
    EXPECT_EQ(section(rows, "STAT:"), (std::vector<std::string>{"STAT:", "cpu 600 10 200 5 1190", no}));
    EXPECT_EQ(section(rows, "LOADED MODULES:"),
              (std::vector<std::string>{"LOADED MODULES:", "kernel 31457280 12 - Live 0xffffffff80200000", no}));
    ASSERT_GE(rows.size(), 8u);
    std::vector<std::string> tail(rows.end() - 8, rows.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "", "PARTITIONS:", "Name                 Size", "-------------------- -------------------", "",
                        "DEVICES:", "NAME                 DRIVER", "-------------------- -------------------"}))
        << "no partitions, and no device listed, leave the tables' heads";
}

// "z" scrolls until the last device is on the window's bottom row, and no
// further; "a" goes back up.
TEST(SystemReportScrolling, StopsAtTheLastDevice)
{
    window_screen s{24, 80}; // the window: rows 5 to 18, 14 rows
    fake_system(whole_host());
    s.keys({'s'});
    EXPECT_EQ(shown(s.exti)[0], boot_row());
    for (int i = 0; i < 100; ++i)
        s.keys({'z'});
    std::vector<std::string> rows = shown(s.exti);
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_EQ(rows.back(), "hdac0                hdac");
    EXPECT_EQ(s.exti->last_line, 55);
    EXPECT_EQ(s.exti->first_row, 55u - 13u);
    s.tick();
    s.keys({'z'});
    EXPECT_EQ(s.exti->first_row, 55u - 13u) << "a redraw and another z leave it there";
    EXPECT_EQ(shown(s.exti).back(), "hdac0                hdac");
    s.keys({'a', 'a'});
    EXPECT_EQ(shown(s.exti)[0], "PARTITIONS:");
}

// The first reports of a run: the shares since boot, and a boot time asked
// for until the system answers, then kept. Says what it saw on standard
// error and exits with 0 when it was right.
[[noreturn]] void first_reports()
{
    window_screen s{243, 100};
    fake_sys h = whole_host();
    h.boot_time = -1;
    h.cpu_total = plat_cpu_counters{300, 0, 100, 7, 600};
    fake_system(h);
    s.keys({'s'});
    std::vector<std::string> first = shown(s.exti);
    first.resize(2);
    fake_system().boot_time = boot;
    s.tick();
    fake_system().boot_time = boot + 3600;
    s.tick();
    std::vector<std::string> third = shown(s.exti);
    third.resize(1);
    std::fprintf(stderr, "first: [%s] [%s]; third: [%s]\n", first[0].c_str(), first[1].c_str(), third[0].c_str());
    bool ok = first == std::vector<std::string>{"BOOT TIME: " + no, "CPU: 30.0% user 10.0% sys 0.0% nice 60.0% idle"} &&
              third[0] == boot_row();
    std::exit(ok ? 0 : 1);
}

// The processor samples and the boot time live for the whole run, so the
// first report of a run needs a process of its own: the test runs again
// in a fresh one.
TEST(SystemReportFirst, SharesSinceBootAndABootTimeAskedForUntilKnown)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(first_reports(), ::testing::ExitedWithCode(0), "");
}

} // namespace
