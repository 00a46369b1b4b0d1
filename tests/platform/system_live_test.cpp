// The system facts of the host these tests run on: each one yields data,
// and where the host tells the same fact another way the two agree.
#include <ctime>
#include <set>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/linux/devices.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

class SystemLive : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (plat_root.proc != "/proc" || plat_root.sys != "/sys")
            GTEST_SKIP() << "the roots point elsewhere";
        if (!fs::exists("/proc/stat") || !fs::exists("/sys/devices"))
            GTEST_SKIP() << "no /proc or /sys mounted here";
    }
};

TEST_F(SystemLive, ProcessorsAndBootTime)
{
    std::int64_t boot = 0;
    ASSERT_TRUE(plat_boot_time(boot));
    EXPECT_GT(boot, 0);
    EXPECT_LE(boot, static_cast<std::int64_t>(time(nullptr)));

    plat_cpu_counters total{};
    ASSERT_TRUE(plat_cpu_total(total));
    EXPECT_GT(total[0] + total[2] + total[4], 0);
    int n = plat_cpu_count();
    EXPECT_EQ(n, sysconf(_SC_NPROCESSORS_ONLN)) << "the kernel lists the online processors";
    std::vector<plat_cpu_counters> each;
    ASSERT_TRUE(plat_cpu_each(n, each));
    ASSERT_EQ(each.size(), static_cast<std::size_t>(n));
    // Read after the total, the processors together have run at least as
    // long in every state, but for the kernel rounding each processor's
    // time down to clock ticks on its own (twice for the two-part counters).
    for (std::size_t k = 0; k < total.size(); ++k) {
        long sum = 0;
        for (const plat_cpu_counters &c : each)
            sum += c[k];
        EXPECT_GE(sum + 2 * n, total[k]) << "counter " << k;
    }
}

TEST_F(SystemLive, MemoryAndFiles)
{
    plat_mem m;
    plat_mem_info(m);
    EXPECT_EQ(m.page_size, sysconf(_SC_PAGESIZE));
    EXPECT_GT(m.free, 0u);
    EXPECT_GT(m.active + m.inactive, 0u);
    EXPECT_GT(m.physmem, 0u);
    EXPECT_GE(m.realmem, m.physmem);
    EXPECT_EQ(m.physmem / static_cast<std::uint64_t>(m.page_size), static_cast<std::uint64_t>(sysconf(_SC_PHYS_PAGES)));
    std::uint32_t total = 0, used = 0;
    ASSERT_TRUE(plat_swap_info(total, used));
    EXPECT_LE(used, total);
    EXPECT_EQ(static_cast<std::uint64_t>(total) * static_cast<std::uint64_t>(m.page_size),
              m.swap_total / static_cast<std::uint64_t>(m.page_size) * static_cast<std::uint64_t>(m.page_size));

    long open = plat_open_files();
    EXPECT_GT(open, 0);
    EXPECT_GE(plat_max_files(), open);
    EXPECT_GE(plat_used_inodes(), 0);
}

TEST_F(SystemLive, ModulesWhereTheKernelHasThem)
{
    std::vector<plat_module> mods;
    bool read = plat_modules(mods);
    if (!fs::exists("/proc/modules")) {
        EXPECT_FALSE(read) << "a kernel without module support";
        GTEST_SKIP() << "this kernel has no /proc/modules; module rows are checked against the fixture";
    }
    EXPECT_TRUE(read);
    for (const plat_module &m : mods)
        EXPECT_FALSE(m.name.empty());
}

TEST_F(SystemLive, FilesystemTypesAndDisks)
{
    std::vector<plat_fstype> types;
    ASSERT_TRUE(plat_fstypes(types));
    bool proc = false;
    for (const plat_fstype &t : types)
        proc = proc || (t.name == "proc" && (t.flags & FSF_SYNTHETIC));
    EXPECT_TRUE(proc) << "proc is mounted, so the kernel knows it";

    std::vector<plat_partition> parts;
    ASSERT_TRUE(plat_partitions(parts));
    if (parts.empty())
        GTEST_SKIP() << "this host has no disks but virtual ones";
    for (const plat_partition &p : parts) {
        EXPECT_TRUE(fs::exists("/sys/class/block/" + p.name)) << p.name;
        EXPECT_GE(p.size, 0) << p.name;
    }
}

// Every device the walk finds bound to a driver is one of the links in that
// driver's directory under /sys/bus, and the other way round.
TEST_F(SystemLive, DevicesMatchTheDriversTheyAreBoundTo)
{
    std::vector<plat_device> devs;
    ASSERT_TRUE(plat_devices(devs));
    std::multiset<std::string> walked;
    for (const plat_device &d : devs)
        if (d.attached)
            walked.insert(d.name + " " + d.driver);
    ASSERT_FALSE(walked.empty());

    std::multiset<std::string> bound;
    std::error_code ec;
    for (const fs::directory_entry &bus : fs::directory_iterator("/sys/bus", ec))
        for (const fs::directory_entry &drv : fs::directory_iterator(bus.path() / "drivers", ec))
            for (const fs::directory_entry &e : fs::directory_iterator(drv.path(), ec))
                if (e.is_symlink() && fs::read_symlink(e.path()).string().find("/devices/") != std::string::npos)
                    bound.insert(e.path().filename().string() + " " + drv.path().filename().string());
    EXPECT_EQ(walked, bound);

    // The kept list is the fresh walk's.
    std::vector<plat_device> fresh;
    ASSERT_TRUE(walk_devices("/sys", fresh));
    ASSERT_EQ(fresh.size(), devs.size());
    for (std::size_t i = 0; i < devs.size(); ++i)
        EXPECT_EQ(fresh[i].name + " " + fresh[i].driver, devs[i].name + " " + devs[i].driver);
}

} // namespace
