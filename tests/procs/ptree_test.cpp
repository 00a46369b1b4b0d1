// The process tree view against the fake backend, on a real curses screen.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <unistd.h>
#include <vector>

#include "kbd/kbd.h"
#include "tests/support/screen/views_fixture.h"

namespace {

std::string rtrim(std::string s)
{
    return s.erase(s.find_last_not_of(' ') + 1);
}

void proc(int pid, int ppid, const std::string &cmd, char state = 'S', std::uint32_t uid = 0)
{
    fake_process({.pid = pid, .ppid = ppid, .name = cmd, .cmdline = fake_argv({cmd}), .uid = uid, .state = state});
}

// Process 1 and the jobs 2 to last below it, each named "job PID".
void jobs(int last)
{
    proc(1, 0, "init");
    for (int pid = 2; pid <= last; ++pid)
        proc(pid, 1, "job " + std::to_string(pid));
    users_init();
}

// What the view shows on terminal row r (lines start on row 3).
std::string row(int r)
{
    return rtrim(bars_screen::terminal_row(r));
}

// The pid of the line under the bar, as the detail window would ask.
int barred(bars_screen &s)
{
    return *static_cast<int *>(wmsg_send(s.input, want_crsr_val, nullptr));
}

// What the terminal shows on the bar's row.
std::string bar_text(bars_screen &s)
{
    return row(3 + s.ptree->crsr - static_cast<int>(s.ptree->first_row));
}

// A login 100 with a shell 101 running two jobs, and an unrelated 50.
struct TreeView : ::testing::Test {
    bars_screen s{24, 80};

    void SetUp() override
    {
        proc(1, 0, "init");
        proc(50, 1, "cron");
        proc(100, 1, "sshd: alice");
        proc(101, 100, "-bash");
        proc(102, 101, "vi notes", 'T');
        proc(103, 101, "make", 'R');
        fake_login("alice", "pts/0", "", 100);
        fake_user(0, "root");
        users_init();
        s.tick();
    }
};

TEST_F(TreeView, ALoginsTreeItsCountsAndItsColumns)
{
    s.keys({KBD_ENTER});
    EXPECT_EQ(row(3), "  100   - sshd: alice");
    EXPECT_EQ(row(4), "  101    `- -bash");
    EXPECT_EQ(row(5), "  103 R    |- make");
    EXPECT_EQ(row(6), "  102 T    `- vi notes");
    EXPECT_EQ(row(7), "");
    EXPECT_EQ(row(1), "4 tasks: 1 running, 2 sleeping, 1 stopped");
    EXPECT_EQ(
        row(23),
        std::string("[ENT]users all[t]ree [d]etails [o]wner [s]ysinfo [l]ine-numbers [^t]ERM [/]search").substr(0, 80));
    // The state column's colours: red for running, red on cyan for stopped.
    EXPECT_EQ(pad_pair(s.ptree->pad, 2, 6), 5);
    EXPECT_EQ(pad_pair(s.ptree->pad, 3, 6), 7);
    EXPECT_EQ(pad_pair(s.ptree->pad, 1, 9), 2) << "the prefix is green";

    fake_user(4242, "averylongname");
    proc(103, 101, "make", 'Z', 4242);
    s.keys({'l', 'o', 'r'});
    EXPECT_EQ(row(3), "   1   100   root     - sshd: alice");
    EXPECT_EQ(row(5), "   3   103 Z averylon    |- make");
    EXPECT_EQ(row(1), "4 tasks: 0 running, 2 sleeping, 1 stopped, 1 zombie");
    s.keys({'l', 'o'});

    // The whole tree below process 1 keeps the login's lines and renumbers
    // them; "t" again changes nothing.
    s.keys({KBD_DOWN, KBD_DOWN});
    EXPECT_EQ(barred(s), 103);
    s.keys({'t'});
    EXPECT_EQ(barred(s), 103) << "the bar stays on its process";
    EXPECT_EQ(row(5), "  103 Z  |   |- make") << "and on its row: the lines above came in above the view";
    s.keys({KBD_HOME});
    EXPECT_EQ(row(3), "    1   - init");
    EXPECT_EQ(row(4), "  100    |- sshd: alice");
    EXPECT_EQ(row(8), "   50    `- cron");
    EXPECT_EQ(row(23).substr(0, 25), "[ENT]users all[t]ree [d]e") << "the help line keeps its text";

    // Enter goes back to the user list, which redraws over the tree.
    s.keys({KBD_ENTER});
    EXPECT_EQ(row(1), "");
    EXPECT_EQ(row(3).substr(15, 5), "alice");
}

TEST_F(TreeView, TheBarFollowsItsProcessAsLinesComeAndGo)
{
    s.keys({'t', KBD_END});
    EXPECT_EQ(barred(s), 50);
    proc(60, 50, "new child"); // a line below the bar comes
    proc(40, 1, "newer one");  // and one above it
    s.tick();
    EXPECT_EQ(barred(s), 50);
    fake_process_gone(103); // a line above goes
    s.tick();
    EXPECT_EQ(barred(s), 50);
    fake_process_gone(50); // the barred process itself goes:
    fake_process_gone(60); // the bar keeps its row
    s.tick();
    EXPECT_NE(barred(s), 0);

    // The login's root going leaves nothing to show.
    s.keys({KBD_ENTER, KBD_ENTER});
    fake_process_gone(100);
    fake_process_gone(101);
    fake_process_gone(102);
    s.tick();
    EXPECT_EQ(row(3), "User has logged out");
    EXPECT_EQ(row(1), "0 tasks: 0 running, 0 sleeping");
    EXPECT_EQ(barred(s), 0);
    s.keys({KBD_CTRL | 'K'}); // nobody to signal: nothing said
    EXPECT_EQ(row(1), "0 tasks: 0 running, 0 sleeping");
}

// A signal reaches the process whose line is under the bar, or nothing:
// not process 1, not vigil itself, and not a newcomer that took the pid of
// the process on screen before the tick that would show it.
TEST_F(TreeView, SignalsReachOnlyTheProcessOnScreen)
{
    EXPECT_EQ(std::string(send_signal(SIGKILL, 0, 0)), "Can't send signal 9 to process 0");
    fake_process({.pid = 4242, .ppid = 1, .name = "victim-A", .cmdline = fake_argv({"victim-A"}), .start_id = 100});
    fake_process({.pid = getpid(), .ppid = 1, .name = "vigil", .cmdline = fake_argv({"vigil"}), .start_id = 7});
    s.keys({'t'});
    EXPECT_EQ(barred(s), 1);
    s.keys({KBD_CTRL | 'K', 'K', KBD_TAB}); // process 1, then keys that are no signal
    EXPECT_EQ(row(1), "8 tasks: 1 running, 6 sleeping, 1 stopped   Can't send signal 9 to process 1");

    auto bar_on = [&](int pid) {
        s.keys({KBD_HOME});
        for (int i = 0; i < 10 && barred(s) != pid; ++i)
            s.keys({KBD_DOWN});
        return barred(s) == pid;
    };
    ASSERT_TRUE(bar_on(getpid()));
    s.keys({KBD_CTRL | 'K'});
    EXPECT_NE(row(1).find("Can't send signal 9 to process " + std::to_string(getpid())), std::string::npos) << row(1);

    ASSERT_TRUE(bar_on(4242));
    EXPECT_NE(bar_text(s).find("victim-A"), std::string::npos) << bar_text(s);
    fake_process({.pid = 4242, .ppid = 1, .name = "newcomer", .cmdline = fake_argv({"newcomer"}), .start_id = 200});
    s.keys({KBD_CTRL | 'K'});
    EXPECT_NE(row(1).find("Can't send signal 9 to process 4242"), std::string::npos) << row(1);
    EXPECT_TRUE(fake_signals().empty()) << "the newcomer was never on screen";

    // The sync after the key shows the newcomer on a line of its own, as
    // any new process; with the bar on it, the signal reaches it.
    EXPECT_NE(barred(s), 4242) << "the bar left with the process it was on";
    ASSERT_TRUE(bar_on(4242));
    EXPECT_NE(bar_text(s).find("newcomer"), std::string::npos) << bar_text(s);
    s.keys({KBD_CTRL | 'T'});
    ASSERT_EQ(fake_signals().size(), 1u);
    EXPECT_EQ(fake_signals()[0].pid, 4242);
    EXPECT_EQ(fake_signals()[0].sig, SIGTERM);
    EXPECT_NE(row(1).find("Signal 15 was sent to process 4242"), std::string::npos) << row(1);
}

TEST_F(TreeView, SearchGoesBothWaysAndSeesOwnersOnlyWhenShown)
{
    fake_user(1001, "alice");
    proc(103, 101, "make", 'R', 1001);
    s.keys({KBD_ENTER, '/', 'm', 'a'});
    EXPECT_EQ(barred(s), 103);
    s.keys({KBD_ENTER}); // no match after the bar: round from the top
    EXPECT_EQ(barred(s), 103);
    s.keys({KBD_BS, KBD_BS, '1', '0', '1'}); // a pid, above the bar: typing searches on from the bar only
    EXPECT_EQ(barred(s), 103);
    s.keys({KBD_ENTER});
    EXPECT_EQ(barred(s), 101);
    s.keys({KBD_ESC, '/', 'a', 'l', 'i', 'c', 'e', KBD_ENTER});
    EXPECT_EQ(barred(s), 100) << "alice is in the login's own command line";
    s.keys({KBD_ENTER});
    EXPECT_EQ(barred(s), 100) << "without the owner column, 103's owner is not searched";
    s.keys({KBD_ESC, 'o', '/', 'a', 'l', 'i', 'c', 'e', KBD_ENTER});
    EXPECT_EQ(barred(s), 103);
    s.keys({KBD_ESC, 'o'});
}

// A search reads the command line of a line only when nothing was read
// for it yet: once per process, whatever the keys typed. What it finds
// follows the processes: a newcomer is read when a search first meets it,
// a pid taken again is another process with a line of its own, and a line
// on screen is read again by every repaint.
TEST(TreeViewSearch, KeysReadOnlyLinesNotReadBefore)
{
    bars_screen s(24, 80);
    jobs(2000);
    s.keys({'t'});
    auto reads = [before = fake_cmdline_reads()]() mutable {
        int n = fake_cmdline_reads() - before;
        before = fake_cmdline_reads();
        return n;
    };
    // The first line after process 1's (which matches none of the
    // patterns) that matches, or 1.
    auto find = [&](const std::string &pattern) {
        s.keys({'/'});
        for (char c : pattern)
            s.keys({c});
        s.keys({KBD_HOME, KBD_ENTER, KBD_ESC});
        return barred(s);
    };

    s.keys({'/', 'z'});
    EXPECT_GE(reads(), 2000 - 20) << "the first search reads the lines no repaint has read";
    s.keys({'q', KBD_BS, 'x', KBD_ENTER, KBD_ESC});
    EXPECT_EQ(reads(), 0);

    // A newcomer below the last line, out of view, and a pid taken again.
    fake_process({.pid = 3000, .ppid = 2, .name = "late", .cmdline = fake_argv({"late arrival"})});
    fake_process({.pid = 1500, .ppid = 1, .name = "new", .cmdline = fake_argv({"newcomer"}), .start_id = 9});
    s.tick();
    reads();
    s.keys({'/', 'z', KBD_ESC});
    EXPECT_EQ(reads(), 2) << "only the two new lines";
    EXPECT_EQ(find("arriv"), 3000);
    EXPECT_EQ(find("job 1500"), 1) << "1500's line stands for the newcomer";
    EXPECT_EQ(find("newc"), 1500);
    EXPECT_EQ(find("^1500"), 1500) << "found by its pid as well";

    // A process on screen that rewrites its arguments is found by the new
    // ones: the repaint read them.
    s.keys({KBD_HOME});
    proc(2000, 1, "renamed itself");
    s.tick();
    reads();
    EXPECT_EQ(find("itself"), 2000);
    EXPECT_EQ(reads(), 0);
}

// At 10,000 processes the view reads the command lines of the rows on
// screen only, and paging reaches every line.
TEST(TreeViewLarge, PagingShowsTheRightRowsAndReadsOnlyThem)
{
    bars_screen s(24, 80);
    jobs(10000);
    s.tick();
    int before = fake_cmdline_reads();
    s.keys({'t'});
    EXPECT_LE(fake_cmdline_reads() - before, 20) << "one read per row in view";
    EXPECT_EQ(row(1), "10000 tasks: 0 running, 10000 sleeping");

    before = fake_cmdline_reads();
    s.keys({KBD_END});
    EXPECT_LE(fake_cmdline_reads() - before, 20);
    // The children of 1 stand in the reverse order of their records.
    EXPECT_EQ(row(22), "    2    `- job 2");
    EXPECT_EQ(barred(s), 21) << "the bar kept its place in the view";
    s.keys({KBD_END});
    EXPECT_EQ(barred(s), 2);
    s.keys({KBD_PGUP});
    EXPECT_EQ(row(22), "   21    |- job 21");
    EXPECT_EQ(barred(s), 21);
    s.keys({KBD_HOME});
    EXPECT_EQ(row(3), "    1   - init");
    EXPECT_EQ(row(4), "10000    |- job 10000");
    before = fake_cmdline_reads();
    s.tick();
    EXPECT_LE(fake_cmdline_reads() - before, 20) << "a tick reads the rows in view too";
}

} // namespace
