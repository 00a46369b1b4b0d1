// What the FreeBSD backend decides about the records its kernel hands out,
// checked here in plain numbers: the backend itself cannot run on this
// machine.
#include <cerrno>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/common/argv.h"
#include "platform/common/cpu_split.h"
#include "platform/common/fixed_text.h"
#include "platform/common/inventory.h"
#include "platform/common/kproc.h"
#include "platform/common/mem_available.h"
#include "platform/common/owner.h"
#include "platform/common/proc_files.h"

namespace {

// A process as the kernel describes it; each case changes what it is about.
kproc_fields sshd_child()
{
    kproc_fields f;
    f.pid = 4242;
    f.ppid = 4200;
    f.tpgid = 4300;
    f.kiflag = KPROC_CTTY;
    f.stat = PS_SLEEPING;
    f.tdflags = KPROC_SINTR | 0x4;
    f.comm = "bash";
    f.start_sec = 1700000000;
    f.start_usec = 123456;
    f.threads = 1;
    f.size = 14'000'000;
    f.rss_pages = 900;
    return f;
}

} // namespace

TEST(KernelRecord, ProcessesBecomeRecords)
{
    struct {
        const char *what;
        void (*change)(kproc_fields &);
        char state;
        int state_code;
        int tpgid;
        std::int64_t start;
    } const cases[] = {
        {"a shell waiting for its terminal", [](kproc_fields &) {}, 'S', PS_SLEEPING, 4300, 1700000000},
        {"a sleep no signal breaks", [](kproc_fields &f) { f.tdflags = 0x4; }, 'D', PS_SLEEPING, 4300, 1700000000},
        {"running", [](kproc_fields &f) { f.stat = PS_RUNNING; }, 'R', PS_RUNNING, 4300, 1700000000},
        {"being forked", [](kproc_fields &f) { f.stat = PS_NEW; }, 'R', PS_NEW, 4300, 1700000000},
        {"stopped", [](kproc_fields &f) { f.stat = PS_STOPPED; }, 'T', PS_STOPPED, 4300, 1700000000},
        {"a zombie", [](kproc_fields &f) { f.stat = PS_ZOMBIE; }, 'Z', PS_ZOMBIE, 4300, 1700000000},
        {"an interrupt thread", [](kproc_fields &f) { f.stat = PS_WAITING; }, 'S', PS_WAITING, 4300, 1700000000},
        {"blocked on a lock", [](kproc_fields &f) { f.stat = PS_LOCK; }, 'D', PS_LOCK, 4300, 1700000000},
        {"a state vigil does not know", [](kproc_fields &f) { f.stat = 9; }, '?', 0, 4300, 1700000000},
        // The kernel leaves 0 where there is no terminal; pid 0 is the
        // kernel itself and must never be asked about.
        {"a daemon",
         [](kproc_fields &f) {
             f.kiflag = 0;
             f.tpgid = 0;
         },
         'S', PS_SLEEPING, -1, 1700000000},
        {"a group number left behind without the terminal flag", [](kproc_fields &f) { f.kiflag = 0x2; }, 'S',
         PS_SLEEPING, -1, 1700000000},
        {"a terminal without a foreground group", [](kproc_fields &f) { f.tpgid = KPROC_NO_PID; }, 'S', PS_SLEEPING, -1,
         1700000000},
        {"a terminal flag with no group", [](kproc_fields &f) { f.tpgid = 0; }, 'S', PS_SLEEPING, -1, 1700000000},
        // A record the kernel did not fill in has no start to show.
        {"a record without a start", [](kproc_fields &f) { f.start_sec = 0; }, 'S', PS_SLEEPING, 4300, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        kproc_fields f = sshd_child();
        c.change(f);
        proc_rec r = kproc_to_rec(f, 4096);
        EXPECT_EQ(r.pid, 4242);
        EXPECT_EQ(r.ppid, 4200);
        EXPECT_EQ(r.state, c.state);
        EXPECT_EQ(r.state_code, c.state_code);
        EXPECT_EQ(r.tpgid, c.tpgid);
        EXPECT_EQ(r.start, c.start);
        EXPECT_STREQ(r.comm, "bash");
        EXPECT_EQ(r.threads, 1);
        EXPECT_EQ(r.vsize, 14'000'000u);
        EXPECT_EQ(r.rss, 900u * 4096);
    }
}

TEST(KernelRecord, NamesAndSizesAtTheirEdges)
{
    kproc_fields f = sshd_child();
    // ki_comm holds up to 19 characters, all of which fit.
    f.comm = "abcdefghijklmnopqrs";
    f.rss_pages = -1;
    f.threads = 300;
    proc_rec r = kproc_to_rec(f, 4096);
    EXPECT_STREQ(r.comm, "abcdefghijklmnopqrs");
    EXPECT_EQ(r.start_id, 1'700'000'000'123'456u) << "the start to the microsecond names the process";
    EXPECT_EQ(r.rss, 0u);
    EXPECT_EQ(r.threads, 300);

    std::string long_name(100, 'n');
    f.comm = long_name;
    f.rss_pages = 3;
    r = kproc_to_rec(f, 16384);
    EXPECT_EQ(std::string(r.comm), std::string(63, 'n'));
    EXPECT_EQ(r.rss, 3u * 16384);
    EXPECT_EQ(kproc_to_rec(f, 0).rss, 0u);
}

TEST(KernelRecord, OwnerIsTheRealUidWithOrWithoutProcfs)
{
    // su run by uid 1001: real 1001, effective root. procfs owns its entry
    // by the real uid; without procfs the record must give the same.
    const kproc_uids su{1001, 0};
    std::uint32_t with_fs = 77, without_fs = 77;
    EXPECT_TRUE(pick_owner(su.ruid, su, with_fs));
    EXPECT_TRUE(pick_owner(std::nullopt, su, without_fs));
    EXPECT_EQ(with_fs, 1001u);
    EXPECT_EQ(without_fs, with_fs);
    // The file system's answer stands whatever the record says.
    EXPECT_TRUE(pick_owner(5u, su, with_fs));
    EXPECT_EQ(with_fs, 5u);
    // Gone, or never there.
    std::uint32_t uid = 77;
    EXPECT_FALSE(pick_owner(std::nullopt, std::nullopt, uid));
    EXPECT_EQ(uid, 77u);
}

TEST(KernelRecord, OpenFileEntries)
{
    // The head of a shell's list as the kernel gives it, and descriptors.
    struct {
        int kernel_fd, kernel_type;
        const char *path;
        int fd, type, uflags;
    } const cases[] = {
        {KFD_TEXT, KFT_VNODE, "/bin/sh", -1, PF_VNODE, PF_TEXT},
        {-6, KFT_VNODE, "/dev/pts/3", -1, PF_VNODE, 0}, // the terminal: a use not kept
        {KFD_CWD, KFT_VNODE, "/home/ann", -1, PF_VNODE, PF_CDIR},
        {KFD_ROOT, KFT_VNODE, "/", -1, PF_VNODE, PF_RDIR},
        {-3, KFT_VNODE, "/jails/www", -1, PF_VNODE, 0}, // a jail's directory
        {0, 10, "/dev/pts/3", 0, PF_OTHER, 0},          // a pseudo-terminal has a type of its own
        {3, KFT_SOCKET, "", 3, PF_SOCKET, 0},
        {4, KFT_PIPE, "", 4, PF_PIPE, 0},
        {5, KFT_FIFO, "/tmp/f", 5, PF_FIFO, 0},
        {6, KFT_KQUEUE, "", 6, PF_KQUEUE, 0},
        {7, KFT_SHM, "/shm", 7, PF_SHM, 0},
        {8, 255, "", 8, PF_OTHER, 0},
        {-9, KFT_PIPE, "", -1, PF_PIPE, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kernel_fd);
        plat_file f = file_entry(c.kernel_fd, c.kernel_type, c.path);
        EXPECT_EQ(f.fd, c.fd);
        EXPECT_EQ(f.type, c.type);
        EXPECT_EQ(f.uflags, c.uflags);
        EXPECT_EQ(f.path, c.path);
    }
}

TEST(KernelRecord, ArgumentVectorsInTheKernelsForm)
{
    const char *argv[] = {"cat", "-", "", "two words", nullptr};
    const std::string whole("cat\0-\0\0two words\0", 17);
    char buf[64];
    ASSERT_EQ(join_argv(argv, 0, buf, sizeof buf), 17);
    EXPECT_EQ(std::string(buf, 17), whole);
    // Cut inside an argument, and right after one, where its zero byte no
    // longer fits.
    for (std::size_t room : {std::size_t{10}, std::size_t{5}, std::size_t{1}}) {
        ASSERT_EQ(join_argv(argv, 0, buf, room), static_cast<long>(room));
        EXPECT_EQ(std::string(buf, room), whole.substr(0, room));
    }
    const char *empty[] = {nullptr};
    EXPECT_EQ(join_argv(empty, 0, buf, sizeof buf), 0);
    // No vector: a kernel process's empty one when nothing failed, as the
    // kernel's own answer says; a process that went, or was refused, is
    // unreadable.
    EXPECT_EQ(join_argv(nullptr, 0, buf, sizeof buf), 0);
    EXPECT_EQ(join_argv(nullptr, ESRCH, buf, sizeof buf), -1);
    EXPECT_EQ(join_argv(nullptr, EPERM, buf, sizeof buf), -1);

    // The kernel's answers: whole, cut to the room, or none.
    EXPECT_EQ(copied_bytes(true, false, 18, 511), 18);
    EXPECT_EQ(copied_bytes(true, false, 0, 511), 0);
    EXPECT_EQ(copied_bytes(false, true, 511, 511), 511);
    EXPECT_EQ(copied_bytes(false, true, 0, 511), -1);
    EXPECT_EQ(copied_bytes(false, false, 511, 511), -1);
}

TEST(KernelRecord, ProcessorCountersOfThePresentProcessors)
{
    // Highest id 3 with processor 1 missing: four slots, three processors.
    ASSERT_EQ(cpu_counter_count(3), 20u);
    EXPECT_EQ(cpu_counter_count(0), 5u);
    EXPECT_EQ(cpu_counter_count(-1), 0u);
    const std::vector<long> flat{
        10, 0, 20, 1, 900, // cpu 0
        0,  0, 0,  0, 0,   // no processor 1
        30, 2, 40, 0, 800, // cpu 2
        0,  0, 0,  0, 700, // cpu 3, idle since boot
    };
    std::vector<plat_cpu_counters> out;
    ASSERT_TRUE(split_cpu_counters(flat.data(), flat.size(), 3, out));
    EXPECT_EQ(out, (std::vector<plat_cpu_counters>{{10, 0, 20, 1, 900}, {30, 2, 40, 0, 800}, {0, 0, 0, 0, 700}}));
    // Fewer asked for than present: the first ones.
    ASSERT_TRUE(split_cpu_counters(flat.data(), flat.size(), 1, out));
    EXPECT_EQ(out, (std::vector<plat_cpu_counters>{{10, 0, 20, 1, 900}}));
    // More than present, an answer cut inside a slot, or no processors.
    out.assign(2, plat_cpu_counters{});
    EXPECT_FALSE(split_cpu_counters(flat.data(), flat.size(), 4, out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(split_cpu_counters(flat.data(), 19, 3, out));
    EXPECT_FALSE(split_cpu_counters(flat.data(), flat.size(), 0, out));
}

// The buffer space in whole pages, and the three queues summed in 32 bits
// as the kernel keeps them; a page size of 0 counts bytes.
TEST(KernelRecord, AvailableMemoryFromThePageQueues)
{
    plat_mem m{.page_size = 4096, .free = 1000, .inactive = 3000, .laundry = 100, .bufspace = 8191};
    EXPECT_EQ(mem_available(m), 1u + 4100u);
    m = {.page_size = 0, .free = 2, .inactive = 4294967295u, .bufspace = 10};
    EXPECT_EQ(mem_available(m), 10u + 1u);
}

TEST(KernelRecord, InventoryFilters)
{
    for (const char *name : {"DISK", "PART"})
        EXPECT_TRUE(disk_class(name)) << name;
    for (const char *name : {"LABEL", "MIRROR", "DEV", "disk", "PARTS", ""})
        EXPECT_FALSE(disk_class(name)) << name;
    // not present, alive, attaching; attached, busy
    for (int state : {10, 20, 25})
        EXPECT_FALSE(device_attached(state)) << state;
    for (int state : {30, 40})
        EXPECT_TRUE(device_attached(state)) << state;
    // A device no driver took has an empty driver name, not none.
    EXPECT_TRUE(driver_named("em"));
    EXPECT_FALSE(driver_named(""));
    EXPECT_FALSE(driver_named(nullptr));

    // A module or filesystem name that fills its field has no terminator.
    char full[4] = {'z', 'f', 's', 'x'};
    char shorter[4] = {'u', 'f', 's', '\0'};
    EXPECT_EQ(fixed_text(full), "zfsx");
    EXPECT_EQ(fixed_text(shorter), "ufs");
}
