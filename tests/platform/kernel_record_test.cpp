// What the FreeBSD backend decides about the records its kernel hands out,
// checked here in plain numbers: the backend itself cannot run on this
// machine.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/common/argv.h"
#include "platform/common/cpu_split.h"
#include "platform/common/fixed_text.h"
#include "platform/common/inventory.h"
#include "platform/common/kproc.h"
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

}  // namespace

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
        {"a daemon", [](kproc_fields &f) { f.kiflag = 0; f.tpgid = 0; }, 'S', PS_SLEEPING, -1, 1700000000},
        {"a group number left behind without the terminal flag", [](kproc_fields &f) { f.kiflag = 0x2; },
         'S', PS_SLEEPING, -1, 1700000000},
        {"a terminal without a foreground group", [](kproc_fields &f) { f.tpgid = KPROC_NO_PID; },
         'S', PS_SLEEPING, -1, 1700000000},
        {"a terminal flag with no group", [](kproc_fields &f) { f.tpgid = 0; }, 'S', PS_SLEEPING, -1, 1700000000},
        // Swapped out: the kernel fills in no start.
        {"swapped out", [](kproc_fields &f) { f.start_sec = 0; }, 'S', PS_SLEEPING, 4300, -1},
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

TEST(KernelRecord, OwnerFromTheFileSystemElseTheEffectiveUid)
{
    std::uint32_t uid = 77;
    // A set-uid program: the entry's owner is what the column shows.
    EXPECT_TRUE(pick_owner(0u, 1001u, uid));
    EXPECT_EQ(uid, 0u);
    // No procfs: the record's effective uid.
    EXPECT_TRUE(pick_owner(std::nullopt, 1001u, uid));
    EXPECT_EQ(uid, 1001u);
    // Gone, or never there.
    uid = 77;
    EXPECT_FALSE(pick_owner(std::nullopt, std::nullopt, uid));
    EXPECT_EQ(uid, 77u);
}

TEST(KernelRecord, OpenFileEntries)
{
    // The head of a shell's list as procstat gives it, and two descriptors.
    struct {
        int fd, type, kernel_uflags;
        const char *path;
        int fd_out, uflags_out;
    } const cases[] = {
        {-1, PF_VNODE, KFILE_TEXT | 0x20, "/bin/sh", -1, PF_TEXT},  // text, also mapped
        {-1, PF_VNODE, KFILE_CDIR, "/home/ann", -1, PF_CDIR},
        {-1, PF_VNODE, KFILE_RDIR | 0x4, "/", -1, PF_RDIR},        // a jail's root is a root
        {-1, PF_VNODE, 0x40, "/dev/pts/3", -1, 0},                  // the terminal, used by no flag kept
        {0, 5, 0, "/dev/pts/3", 0, 0},
        {3, PF_SOCKET, 0, nullptr, 3, 0},
        {-7, PF_PIPE, 0, nullptr, -1, 0},
    };
    for (const auto &c : cases) {
        plat_file f = file_entry(c.fd, c.type, c.kernel_uflags, c.path);
        EXPECT_EQ(f.fd, c.fd_out);
        EXPECT_EQ(f.type, c.type);
        EXPECT_EQ(f.uflags, c.uflags_out);
        EXPECT_EQ(f.path, c.path ? c.path : "");
    }
    EXPECT_EQ(file_uses(KFILE_RDIR | KFILE_CDIR | KFILE_TEXT), PF_RDIR | PF_CDIR | PF_TEXT);
}

TEST(KernelRecord, ArgumentVectorsInTheKernelsForm)
{
    const char *argv[] = {"cat", "-", "", "two words", nullptr};
    const std::string whole("cat\0-\0\0two words\0", 17);
    char buf[64];
    ASSERT_EQ(join_argv(argv, buf, sizeof buf), 17);
    EXPECT_EQ(std::string(buf, 17), whole);
    // Cut inside an argument, and right after one, where its zero byte no
    // longer fits.
    for (std::size_t room : {std::size_t{10}, std::size_t{5}, std::size_t{1}}) {
        ASSERT_EQ(join_argv(argv, buf, room), static_cast<long>(room));
        EXPECT_EQ(std::string(buf, room), whole.substr(0, room));
    }
    const char *empty[] = {nullptr};
    EXPECT_EQ(join_argv(empty, buf, sizeof buf), 0);
    EXPECT_EQ(join_argv(nullptr, buf, sizeof buf), -1);

    // The kernel's answers: whole, cut to the room, or none.
    EXPECT_EQ(copied_bytes(true, false, 18, 511), 18);
    EXPECT_EQ(copied_bytes(true, false, 0, 511), 0);
    EXPECT_EQ(copied_bytes(false, true, 511, 511), 511);
    EXPECT_EQ(copied_bytes(false, true, 0, 511), -1);
    EXPECT_EQ(copied_bytes(false, false, 511, 511), -1);
}

TEST(KernelRecord, ProcessorCountersPerProcessor)
{
    std::vector<long> flat;
    for (long i = 0; i < 15; ++i)
        flat.push_back(i * 10);
    std::vector<plat_cpu_counters> out;
    ASSERT_TRUE(split_cpu_counters(flat.data(), flat.size(), 2, out));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], (plat_cpu_counters{0, 10, 20, 30, 40}));
    EXPECT_EQ(out[1], (plat_cpu_counters{50, 60, 70, 80, 90}));
    ASSERT_TRUE(split_cpu_counters(flat.data(), flat.size(), 3, out));
    EXPECT_EQ(out[2], (plat_cpu_counters{100, 110, 120, 130, 140}));
    // Fewer numbers than the processors need, or no processors.
    EXPECT_FALSE(split_cpu_counters(flat.data(), 14, 3, out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(split_cpu_counters(flat.data(), flat.size(), 4, out));
    EXPECT_FALSE(split_cpu_counters(flat.data(), flat.size(), 0, out));
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

    // A module or filesystem name that fills its field has no terminator.
    char full[4] = {'z', 'f', 's', 'x'};
    char shorter[4] = {'u', 'f', 's', '\0'};
    EXPECT_EQ(fixed_text(full), "zfsx");
    EXPECT_EQ(fixed_text(shorter), "ufs");
}
