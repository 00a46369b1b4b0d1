#include <gtest/gtest.h>
#include <string>
#include <sys/sysmacros.h>

#include "platform/linux/proc_stat.h"

namespace {

// A stat line as the kernel writes it: pid, name, then the fields from the
// state letter on, with the ones vigil keeps given by the test.
std::string stat_line(const std::string &pid_and_name, char state, int ppid, int tpgid, long threads,
                      unsigned long long start, unsigned long long vsize, long rss_pages)
{
    return pid_and_name + " " + state + " " + std::to_string(ppid) + " 4000 4000 34816 " + std::to_string(tpgid) +
           " 4194560 1200 0 3 0 15 7 0 0 20 0 " + std::to_string(threads) + " 0 " + std::to_string(start) + " " +
           std::to_string(vsize) + " " + std::to_string(rss_pages) +
           " 18446744073709551615 94000000000000 94000000100000 140000000000000 0 0 0 65536 4 0 0 0 17 1 0 0 0 0 0\n";
}

TEST(StatLine, Fields)
{
    struct {
        const char *what;
        std::string line;
        int pid, ppid, tpgid;
        char state;
        std::string comm;
        long threads;
        unsigned long long start, vsize, rss;
    } const cases[] = {
        {"a plain process", stat_line("4242 (bash)", 'S', 4000, 4242, 1, 98765, 8806400, 1300), 4242, 4000, 4242, 'S',
         "bash", 1, 98765, 8806400, 1300ull * 4096},
        {"spaces and parentheses in the name", stat_line("77 (tmux: server) (x)", 'R', 1, -1, 2, 5, 10, 1), 77, 1, -1,
         'R', "tmux: server) (x", 2, 5, 10, 4096},
        {"an empty name", stat_line("78 ()", 'D', 1, -1, 1, 5, 10, 1), 78, 1, -1, 'D', "", 1, 5, 10, 4096},
        {"a zombie", stat_line("4321 (defunct)", 'Z', 4242, -1, 1, 99000, 0, 0), 4321, 4242, -1, 'Z', "defunct", 1,
         99000, 0, 0},
        {"a kernel thread", stat_line("2 (kthreadd)", 'S', 0, -1, 1, 2, 0, 0), 2, 0, -1, 'S', "kthreadd", 1, 2, 0, 0},
        {"a name longer than the record keeps", stat_line("9 (" + std::string(100, 'n') + ")", 'S', 1, -1, 1, 1, 1, 1),
         9, 1, -1, 'S', std::string(63, 'n'), 1, 1, 1, 4096},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        proc_rec r{};
        std::uint64_t ticks = 0;
        ASSERT_TRUE(parse_proc_stat(c.line, 4096, r, ticks));
        EXPECT_EQ(r.pid, c.pid);
        EXPECT_EQ(r.ppid, c.ppid);
        EXPECT_EQ(r.tpgid, c.tpgid);
        EXPECT_EQ(r.state, c.state);
        EXPECT_EQ(std::string(r.comm), c.comm);
        EXPECT_EQ(r.threads, c.threads);
        EXPECT_EQ(ticks, c.start);
        EXPECT_EQ(r.start_id, c.start) << "the start that names the process";
        EXPECT_EQ(r.vsize, c.vsize);
        EXPECT_EQ(r.rss, c.rss);
    }
}

// The kernel packs a terminal's number its own way; stat(2) on the line's
// device gives the C library's packing, and the two must compare equal.
TEST(StatLine, GroupAndTerminal)
{
    struct {
        const char *what;
        const char *fields; // pgrp, session, tty_nr
        int pgrp;
        std::uint64_t tty;
    } const cases[] = {
        {"no terminal", "4000 4000 0", 4000, 0},
        {"pts/0", "4000 3999 34816", 4000, makedev(136, 0)},
        {"pts/300, a minor past 255", "77 77 1083436", 77, makedev(136, 300)},
        {"tty4", "9 9 1028", 9, makedev(4, 4)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string line = std::string("4242 (bash) S 1 ") + c.fields +
                           " 4242 4194560 1200 0 3 0 15 7 0 0 20 0 1 0 98765 8806400 1300 18446744073709551615 1 2 3\n";
        proc_rec r{};
        std::uint64_t ticks = 0;
        ASSERT_TRUE(parse_proc_stat(line, 4096, r, ticks));
        EXPECT_EQ(r.pgrp, c.pgrp);
        EXPECT_EQ(r.tty, c.tty);
        EXPECT_EQ(r.tpgid, 4242);
    }
}

TEST(StatLine, KernelStatesFoldIntoTheShownLetters)
{
    // The letter shown, and the state number both backends share.
    struct {
        char kernel, shown;
        int code;
    } const fold[] = {{'R', 'R', PS_RUNNING},
                      {'S', 'S', PS_SLEEPING},
                      {'I', 'S', PS_SLEEPING},
                      {'D', 'D', PS_SLEEPING},
                      {'Z', 'Z', PS_ZOMBIE},
                      {'X', 'Z', PS_ZOMBIE},
                      {'T', 'T', PS_STOPPED},
                      {'t', 'T', PS_STOPPED},
                      {'W', '?', 0},
                      {'P', '?', 0},
                      {'K', '?', 0}};
    for (const auto &f : fold) {
        proc_rec r{};
        std::uint64_t ticks = 0;
        ASSERT_TRUE(parse_proc_stat(stat_line("5 (p)", f.kernel, 1, -1, 1, 1, 1, 1), 4096, r, ticks)) << f.kernel;
        EXPECT_EQ(r.state, f.shown) << "kernel state " << f.kernel;
        EXPECT_EQ(r.state_code, f.code) << "kernel state " << f.kernel;
    }
}

TEST(StatLine, MalformedLinesAreRefused)
{
    const std::string good = stat_line("5 (p)", 'S', 1, -1, 1, 1, 1, 1);
    const std::string bad[] = {
        "",
        "5 (p",
        good.substr(0, 40),                         // cut short
        stat_line("x (p)", 'S', 1, -1, 1, 1, 1, 1), // no pid
        std::string(good).replace(6, 1, "SS"),      // a state of two letters
        std::string(good).replace(8, 1, "one"),     // a parent that is no number
    };
    for (const std::string &line : bad) {
        proc_rec r{};
        std::uint64_t ticks = 0;
        EXPECT_FALSE(parse_proc_stat(line, 4096, r, ticks)) << line;
    }
}

TEST(StatusText, EffectiveUid)
{
    const std::string head = "Name:\tsu\nUmask:\t0022\nState:\tS (sleeping)\nTgid:\t9\nPid:\t9\nPPid:\t1\n";
    std::uint32_t uid = 0;
    ASSERT_TRUE(parse_status_uid(head + "Uid:\t1000\t0\t0\t0\nGid:\t100\t100\t100\t100\n", uid));
    EXPECT_EQ(uid, 0u);
    ASSERT_TRUE(parse_status_uid("Uid:\t0\t4294967294\t0\t0\n", uid));
    EXPECT_EQ(uid, 4294967294u);
    EXPECT_FALSE(parse_status_uid(head, uid));
    EXPECT_FALSE(parse_status_uid(head + "Uid:\t1000\n", uid));
}

} // namespace
