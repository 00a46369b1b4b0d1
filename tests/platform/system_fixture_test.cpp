// The Linux backend's system facts read from the fixture trees beside this
// file: a proc root and a small sys root with disks, partitions, devices
// with and without drivers, and the virtual block devices the report
// leaves out.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

fs::path fixtures()
{
    return fs::path(__FILE__).parent_path() / "fixtures";
}

// A scratch directory, gone with the test.
struct temp_dir {
    fs::path path;
    temp_dir()
    {
        char tmpl[] = "/tmp/vigil-sys-XXXXXX";
        if (mkdtemp(tmpl))
            path = tmpl;
    }
    temp_dir(const temp_dir &) = delete;
    temp_dir &operator=(const temp_dir &) = delete;
    ~temp_dir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    void write(const std::string &rel, const std::string &text) const
    {
        fs::create_directories((path / rel).parent_path());
        std::ofstream(path / rel) << text;
    }
};

// The backend pointed at other roots for the length of a test.
class SystemFacts : public ::testing::Test {
protected:
    plat_roots saved = plat_root;
    void SetUp() override
    {
        plat_root.proc = fixtures() / "proc";
        plat_root.sys = fixtures() / "sys";
    }
    void TearDown() override { plat_root = saved; }
};

struct device_row {
    std::string name, driver;
    bool operator==(const device_row &) const = default;
};

std::vector<device_row> rows(const std::vector<plat_device> &devs)
{
    std::vector<device_row> v;
    for (const plat_device &d : devs) {
        EXPECT_EQ(d.attached, d.has_driver) << d.name;
        EXPECT_EQ(d.attached, !d.driver.empty()) << d.name;
        v.push_back({d.name, d.driver});
    }
    return v;
}

std::ostream &operator<<(std::ostream &os, const device_row &r)
{
    return os << r.name << "|" << r.driver;
}

TEST_F(SystemFacts, ProcessorCounters)
{
    std::int64_t boot = 0;
    ASSERT_TRUE(plat_boot_time(boot));
    EXPECT_EQ(boot, 1700000000);

    // user, nice, system, irq + softirq, idle + iowait; steal in none.
    plat_cpu_counters total{};
    ASSERT_TRUE(plat_cpu_total(total));
    EXPECT_EQ(total, (plat_cpu_counters{1000, 20, 300, 130, 40500}));
    ASSERT_EQ(plat_cpu_count(), 4);
    std::vector<plat_cpu_counters> each;
    ASSERT_TRUE(plat_cpu_each(4, each));
    EXPECT_EQ(each, (std::vector<plat_cpu_counters>{
                        {400, 10, 100, 50, 10100},
                        {200, 0, 100, 30, 10200},
                        {200, 5, 50, 30, 10100},
                        {200, 5, 50, 20, 10100},
                    }));

    // Fewer asked for than there are: the first ones. More (a processor
    // went offline since the count) or none: nothing.
    ASSERT_TRUE(plat_cpu_each(2, each));
    ASSERT_EQ(each.size(), 2u);
    EXPECT_EQ(each[1], (plat_cpu_counters{200, 0, 100, 30, 10200}));
    EXPECT_FALSE(plat_cpu_each(5, each));
    EXPECT_TRUE(each.empty());
    EXPECT_FALSE(plat_cpu_each(0, each));
}

TEST_F(SystemFacts, MemoryFilesAndSwap)
{
    const long ps = sysconf(_SC_PAGESIZE);
    auto pages = [&](std::uint64_t kb) {
        return static_cast<std::uint32_t>(kb * 1024 / static_cast<std::uint64_t>(ps));
    };
    plat_mem m;
    plat_mem_info(m);
    EXPECT_EQ(m.page_size, ps);
    EXPECT_EQ(m.free, pages(500000));
    EXPECT_EQ(m.active, pages(200000));
    EXPECT_EQ(m.inactive, pages(150000));
    EXPECT_EQ(m.wired, pages(8192)) << "Unevictable";
    // The kernel's own estimate; its dirty pages are on the active and
    // inactive lists already, and no laundry queue holds them again.
    EXPECT_EQ(m.available, pages(700000));
    EXPECT_EQ(m.laundry, 0u);
    EXPECT_EQ(m.bufspace, 40960u * 1024);
    EXPECT_EQ(m.swap_total, 1048572u * 1024);
    EXPECT_EQ(m.physmem, 1012512u * 1024);
    EXPECT_EQ(m.realmem, 8u * 0x8000000) << "eight memory blocks of 128 MiB";

    std::uint32_t total = 0, used = 0;
    ASSERT_TRUE(plat_swap_info(total, used));
    EXPECT_EQ(total, pages(1048572));
    EXPECT_EQ(used, pages(1048572 - 1000000));

    // The kernel's "no limit" is the largest long.
    EXPECT_EQ(plat_open_files(), 1856);
    EXPECT_EQ(plat_max_files(), LONG_MAX);
}

TEST_F(SystemFacts, ModulesInLoadOrder)
{
    std::vector<plat_module> mods;
    ASSERT_TRUE(plat_modules(mods));
    std::vector<std::string> got;
    for (const plat_module &m : mods) {
        char row[128];
        std::snprintf(row, sizeof row, "%s %zu %d %#jx", m.name.c_str(), m.size, m.refs,
                      static_cast<std::uintmax_t>(m.address));
        got.push_back(row);
    }
    // The file lists the newest first; the hidden address of a module
    // still loading reads 0.
    EXPECT_EQ(got, (std::vector<std::string>{
                       "isofs 57344 0 0",
                       "nfs 479232 2 0xffffffffc09c0000",
                       "nfsv4 1163264 1 0xffffffffc0900000",
                       "nf_tables 372736 3 0xffffffffc0a3e000",
                       "nft_chain_nat 16384 1 0xffffffffc0b10000",
                   }));
}

TEST_F(SystemFacts, FilesystemTypesAndTheirFlags)
{
    std::vector<plat_fstype> types;
    ASSERT_TRUE(plat_fstypes(types));
    std::vector<std::pair<std::string, std::uint32_t>> got;
    for (const plat_fstype &t : types)
        got.emplace_back(t.name, t.flags);
    // iso9660, nfs and nfs4 come from loaded modules (isofs, nfs, nfsv4);
    // the rest are built in.
    const std::uint32_t S = FSF_STATIC;
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::uint32_t>>{
                       {"sysfs", S | FSF_SYNTHETIC | FSF_JAIL},
                       {"tmpfs", S | FSF_JAIL},
                       {"proc", S | FSF_SYNTHETIC | FSF_JAIL},
                       {"devtmpfs", S | FSF_SYNTHETIC},
                       {"overlay", S | FSF_LOOPBACK | FSF_JAIL},
                       {"ext4", S},
                       {"iso9660", FSF_READONLY},
                       {"nfs", FSF_NETWORK},
                       {"nfs4", FSF_NETWORK},
                       {"vfat", S | FSF_UNICODE},
                       {"fuse", S | FSF_JAIL},
                       {"fuseblk", S},
                       {"mystery", S | FSF_SYNTHETIC},
                       {"squashfs", S | FSF_READONLY},
                   }));

    // A kernel without modules has every type built in.
    temp_dir tmp;
    fs::copy_file(fixtures() / "proc/filesystems", tmp.path / "filesystems");
    plat_root.proc = tmp.path;
    ASSERT_TRUE(plat_fstypes(types));
    for (const plat_fstype &t : types)
        EXPECT_TRUE(t.flags & FSF_STATIC) << t.name;
}

TEST_F(SystemFacts, DisksEachFollowedByItsPartitions)
{
    std::vector<plat_partition> parts;
    ASSERT_TRUE(plat_partitions(parts));
    std::vector<std::pair<std::string, std::int64_t>> got;
    for (const plat_partition &p : parts)
        got.emplace_back(p.name, p.size);
    // Sizes come in 512-byte sectors; loop, ram, zram, dm and md devices and
    // their partitions are no disks here.
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::int64_t>>{
                       {"nvme0n1", 1000215216LL * 512},
                       {"nvme0n1p1", 1000212480LL * 512},
                       {"sda", 1953525168LL * 512},
                       {"sda1", 1048576LL * 512},
                       {"sda2", 1952474079LL * 512},
                       {"sda10", 2048LL * 512},
                   }));
}

TEST_F(SystemFacts, DeviceTreeInPreOrder)
{
    std::vector<plat_device> devs;
    ASSERT_TRUE(plat_devices(devs));
    // Devices without a driver are there, so that the report can leave them
    // out and still show their children; glue directories ("block", "tty",
    // "system"), attribute groups ("power", "queue") and the links back into
    // the tree (firmware_node points at LNXSYSTM:00) are not.
    EXPECT_EQ(rows(devs), (std::vector<device_row>{
                              {"LNXSYSTM:00", ""},
                              {"LNXPWRBN:00", "button"},
                              {"pci0000:00", ""},
                              {"0000:00:17.0", "ahci"},
                              {"ata1", ""},
                              {"sda", ""},
                              {"sda1", ""},
                              {"sda2", ""},
                              {"sda10", ""},
                              {"0000:00:1d.0", "pcieport"},
                              {"0000:3d:00.0", "nvme"},
                              {"nvme0", ""},
                              {"nvme0n1", ""},
                              {"nvme0n1p1", ""},
                              {"platform", ""},
                              {"serial8250", "serial8250"},
                              {"ttyS0", ""},
                              {"ttyS1", ""},
                              {"cpu0", "processor"},
                              {"cpu2", "processor"},
                              {"cpu10", "processor"},
                              {"dm-0", ""},
                              {"loop0", ""},
                              {"loop0p1", ""},
                              {"md0", ""},
                              {"md0p1", ""},
                              {"ram0", ""},
                              {"zram0", ""},
                              {"lo", ""},
                          }));
}

// The walk is redone when the kernel's event number moves, and on every
// call where there is none.
TEST_F(SystemFacts, DeviceListFollowsTheEventNumber)
{
    temp_dir tmp;
    fs::copy(fixtures() / "sys", tmp.path, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    plat_root.sys = tmp.path;
    auto has_keyboard = [] {
        std::vector<plat_device> devs;
        EXPECT_TRUE(plat_devices(devs));
        for (const plat_device &d : devs)
            if (d.name == "i8042")
                return d.attached && d.driver == "i8042";
        return false;
    };
    ASSERT_FALSE(has_keyboard());
    tmp.write("devices/platform/i8042/uevent", "");
    fs::create_directory_symlink("../../../bus/platform/drivers/i8042", tmp.path / "devices/platform/i8042/driver");
    EXPECT_FALSE(has_keyboard()) << "no event yet: the last walk stands";
    tmp.write("kernel/uevent_seqnum", "4712\n");
    EXPECT_TRUE(has_keyboard());

    fs::remove_all(tmp.path / "devices/platform/i8042");
    EXPECT_TRUE(has_keyboard()) << "the removal has not been announced";
    fs::remove(tmp.path / "kernel/uevent_seqnum");
    EXPECT_FALSE(has_keyboard());
    // A root with the same event number is still another tree.
    plat_root.sys = fixtures() / "sys";
    std::vector<plat_device> devs;
    ASSERT_TRUE(plat_devices(devs));
    EXPECT_EQ(devs.size(), 29u);
}

// One fact that cannot be read fails alone, and a missing file is a
// failure, not a zero.
TEST_F(SystemFacts, UnreadableFactsFailOneByOne)
{
    temp_dir empty;
    plat_root.proc = empty.path;
    plat_root.sys = empty.path;
    std::int64_t boot = 0;
    EXPECT_FALSE(plat_boot_time(boot));
    plat_cpu_counters c{};
    EXPECT_FALSE(plat_cpu_total(c));
    EXPECT_EQ(plat_cpu_count(), -1);
    std::vector<plat_cpu_counters> each;
    EXPECT_FALSE(plat_cpu_each(1, each));
    plat_mem m;
    m.free = 7;
    plat_mem_info(m);
    EXPECT_EQ(m.page_size, sysconf(_SC_PAGESIZE));
    EXPECT_EQ(m.free + m.active + m.inactive + m.laundry + m.wired, 0u);
    EXPECT_EQ(m.bufspace + m.swap_total + m.realmem + m.physmem, 0u);
    std::uint32_t total = 0, used = 0;
    EXPECT_FALSE(plat_swap_info(total, used));
    EXPECT_EQ(plat_open_files(), -1);
    EXPECT_EQ(plat_max_files(), -1);
    std::vector<plat_module> mods;
    EXPECT_FALSE(plat_modules(mods));
    std::vector<plat_fstype> types;
    EXPECT_FALSE(plat_fstypes(types));
    std::vector<plat_partition> parts;
    EXPECT_FALSE(plat_partitions(parts));
    std::vector<plat_device> devs;
    EXPECT_FALSE(plat_devices(devs));
    // The file nodes are always those of the host's root.
    EXPECT_GE(plat_used_inodes(), 0);

    // Without the memory blocks the installed memory is what the kernel
    // manages; without Dirty the laundry is unknown, not Writeback alone.
    empty.write("meminfo", "MemTotal: 2048 kB\nWriteback: 1024 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n");
    plat_mem_info(m);
    EXPECT_EQ(m.physmem, 2048u * 1024);
    EXPECT_EQ(m.realmem, m.physmem);
    EXPECT_EQ(m.laundry, 0u);
    ASSERT_TRUE(plat_swap_info(total, used));
    EXPECT_EQ(total + used, 0u) << "no swap is no failure";
}

TEST_F(SystemFacts, MalformedLines)
{
    temp_dir tmp;
    plat_root.proc = tmp.path;
    // A module line the parser does not understand ends the list there:
    // what came before it in the file (the newer modules) stays, in load
    // order. A kernel that cannot unload modules counts no references.
    tmp.write("modules", "b 200 - - Live 0x2000\na 100 0 - Live 0x1000\nbroken\nold 1 0 - Live 0x10\n");
    std::vector<plat_module> mods;
    EXPECT_FALSE(plat_modules(mods));
    ASSERT_EQ(mods.size(), 2u);
    EXPECT_EQ(mods[0].name, "a");
    EXPECT_EQ(mods[1].name, "b");
    EXPECT_EQ(mods[1].refs, 0);
    EXPECT_EQ(mods[1].address, 0x2000u);

    tmp.write("stat", "cpu  1 2 3\ncpu0 1 2 3\nbtime x\n");
    plat_cpu_counters c{};
    std::int64_t boot = 0;
    EXPECT_FALSE(plat_cpu_total(c));
    EXPECT_FALSE(plat_boot_time(boot));
    std::vector<plat_cpu_counters> each;
    EXPECT_FALSE(plat_cpu_each(1, each));

    tmp.write("sys/fs/file-nr", "12 x 100\n");
    tmp.write("sys/fs/file-max", "\n");
    EXPECT_EQ(plat_open_files(), -1);
    EXPECT_EQ(plat_max_files(), -1);
}

} // namespace
