// The detail window and its reports against the fake backend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kbd/kbd.h"
#include "tests/details/window_rows.h"
#include "tests/support/screen/views_fixture.h"

namespace {

plat_passwd account(const std::string &name, std::uint32_t uid)
{
    return {name, "/home/" + name, uid, 100, "/bin/sh", name + " the user"};
}

struct Window : ::testing::Test {
    bars_screen s{24, 80}; // the window: rows 5 to 18, columns 15 to 64

    void SetUp() override
    {
        fake_passwd(account("alice", 1000));
        fake_passwd(account("nobody", 4294967294u));
        bars_screen::login(0, "alice", "pts/0", "h", "sshd");
        bars_screen::login(1, "nobody", "pts/1", "h", "sshd");
        bars_screen::login(2, "ghost", "pts/2", "h", "sshd");
        users_init();
        s.tick();
    }

    // The whole tree, its bar on the process, and the details window open.
    void details_of(int pid)
    {
        s.keys({'t'});
        while (*static_cast<int *>(wmsg_send(s.input, want_crsr_val, nullptr)) != pid)
            s.keys({KBD_DOWN});
        s.keys({'d'});
    }
};

TEST_F(Window, SourceKeysOpenSwitchAndClose)
{
    s.keys({'d'});
    ASSERT_NE(s.exti->refresh, nullptr);
    EXPECT_EQ(shown(s.exti), (std::vector<std::string>{"NAME: alice", "HOME: /home/alice", "UID: 1000", "GID: 100",
                                                       "SHELL: /bin/sh", "GECOS: alice the user"}));
    EXPECT_EQ(pad_attrs(s.exti->pad, 0, 0) & A_BOLD, A_BOLD) << "labels are bold";
    EXPECT_EQ(pad_attrs(s.exti->pad, 0, 6) & A_BOLD, 0u);
    EXPECT_NE(bars_screen::terminal_row(19).find(" <- -> [a]up [z]down "), std::string::npos)
        << "the caption in the frame's bottom border";

    // The details follow the bar after every key.
    s.keys({KBD_DOWN});
    EXPECT_EQ(shown(s.exti)[2], "UID: -2");
    s.keys({KBD_DOWN});
    EXPECT_EQ(shown(s.exti), (std::vector<std::string>{"Error - user not found."}));

    // "s" switches, "s" again closes, "d" opens with the details.
    s.keys({'s'});
    EXPECT_EQ(shown(s.exti)[0].substr(0, 11), "BOOT TIME: ");
    s.keys({'s'});
    EXPECT_EQ(s.exti->refresh, nullptr);
    s.keys({'d'});
    EXPECT_EQ(shown(s.exti), (std::vector<std::string>{"Error - user not found."}));
    s.keys({'p'});
    EXPECT_TRUE(shown(s.exti).empty()) << "an empty frame";

    // Escape closes the window and is consumed; with it closed, it is not.
    EXPECT_EQ(exti_keyh(s.exti, KBD_ESC), 2);
    EXPECT_EQ(s.exti->refresh, nullptr);
    EXPECT_EQ(exti_keyh(s.exti, KBD_ESC), 0);
    EXPECT_EQ(exti_keyh(s.exti, 'z'), 0);

    // No answer at all: "Invalid user".
    euser(nullptr);
    EXPECT_EQ(shown(s.exti), (std::vector<std::string>{"Invalid user"}));

    // Scrolled down the system report, a list that comes to the front
    // brings the report's top at once, and "z" goes on from there.
    s.keys({'s', 'z', 'z', 'z', KBD_ENTER});
    EXPECT_EQ(shown(s.exti)[0].substr(0, 11), "BOOT TIME: ");
    s.keys({'z', KBD_ENTER});
    EXPECT_EQ(s.exti->first_row, 0u);
    EXPECT_EQ(shown(s.exti)[0].substr(0, 11), "BOOT TIME: ");
}

// A process with more open files than the window has rows: "z" scrolls
// until the last written row is on the window's bottom row, and no further.
TEST_F(Window, TheProcessReportScrollsToItsLastRowAndNoFurther)
{
    std::vector<plat_file> files = {
        {-1, PF_VNODE, PF_TEXT, "/usr/bin/job"},
        {-1, PF_VNODE, PF_CDIR, "/srv/work"},
        {-1, PF_VNODE, PF_RDIR, "/"},
        {-1, PF_VNODE, PF_RDIR, "/jail"},
        {0, PF_VNODE, 0, "/dev/pts/\x1b[2J0"},
        {1, PF_PIPE, 0, ""},
        {2, PF_SOCKET, 0, ""},
        {3, PF_KQUEUE, 0, ""},
        {4, PF_SHM, 0, "/dev/shm/x"},
        {5, PF_FIFO, 0, "/tmp/fifo"},
        {6, PF_OTHER, 0, ""},
    };
    for (int fd = 7; fd < 40; ++fd)
        files.push_back({fd, PF_VNODE, 0, "/var/log/f" + std::to_string(fd)});
    // Wider than the pad: cut there, one row like every other entry.
    files[12].path = "/var/log/" + std::string(200, 'x');
    fake_process({.pid = 1, .ppid = 0, .name = "init"});
    fake_process({.pid = 42,
                  .ppid = 1,
                  .name = "job",
                  .cmdline = fake_argv({"job", "--all"}),
                  .uid = 7,
                  .state = 'R',
                  .start = 1700000000,
                  .threads = 3,
                  .vsize = 8 << 20,
                  .rss = 5000,
                  .exe = "/usr/bin/job",
                  .files = files});
    details_of(42);

    std::vector<std::string> rows = shown(s.exti);
    ASSERT_GE(rows.size(), 14u);
    EXPECT_EQ(rows[0].substr(0, 7), "START: ");
    EXPECT_EQ(rows[1], "EXE: /usr/bin/job");
    EXPECT_EQ(rows[2], "ROOT: /");
    EXPECT_EQ(rows[3], "/jail") << "two root entries, both listed";
    EXPECT_EQ(rows[4], "CWD: /srv/work");
    EXPECT_EQ(rows[5], "CMDLINE: job --all");
    EXPECT_EQ(rows[6], "");
    EXPECT_EQ(rows[7], "STATUS:");
    EXPECT_EQ(rows[8], "Name:   job");
    EXPECT_EQ(rows[11], "State:  2");
    EXPECT_EQ(rows[12], "Threads:        3");
    EXPECT_EQ(rows[13], "Uid:    7");

    // Nineteen rows down to the descriptor table's header, then one row per
    // entry: the last written row is row 62, and it ends on the window's
    // bottom row (H = 13).
    for (int i = 0; i < 100; ++i)
        s.keys({'z'});
    EXPECT_EQ(s.exti->first_row, 62u - 13u);
    EXPECT_EQ(s.exti->last_line, 62);
    rows = shown(s.exti);
    EXPECT_EQ(rows.back(), "39   vnode   /var/log/f39");
    EXPECT_EQ(rows.size(), 14u);
    for (int i = 0; i < 36; ++i)
        s.keys({'a'});
    rows = shown(s.exti);
    EXPECT_EQ(rows[0], "Uid:    7");
    EXPECT_EQ(rows[1], "VmSize: 8192 KB");
    EXPECT_EQ(rows[2], "VmRSS:  4 KB");
    EXPECT_EQ(rows[4], "FILE DESCRIPTORS:");
    EXPECT_EQ(rows[5], "FD   TYPE    PATH");
    EXPECT_EQ(rows[6], "-1   vnode   /usr/bin/job");
    EXPECT_EQ(rows[10], "0    vnode   /dev/pts/?[2J0");
    EXPECT_EQ(rows[11], "1    pipe");
    EXPECT_EQ(rows[12], "2    socket");
    EXPECT_EQ(rows[13], "3    kqueue");
    s.keys({'z', 'z', 'z'});
    rows = shown(s.exti);
    EXPECT_EQ(rows[11], "4    shm     /dev/shm/x");
    EXPECT_EQ(rows[12], "5    other   /tmp/fifo");
    EXPECT_EQ(rows[13], "6    other");

    // Closing and opening with the same key keeps the place; a list that
    // comes to the front starts the report at its top.
    s.keys({'d', 'd'});
    EXPECT_EQ(shown(s.exti)[11], "4    shm     /dev/shm/x");
    s.keys({KBD_ENTER, KBD_ENTER});
    EXPECT_EQ(s.exti->first_row, 0u);
}

// A zombie has no arguments and no files: its name and an empty table.
TEST_F(Window, AZombieShowsItsNameAndAnEmptyTable)
{
    fake_process({.pid = 1, .ppid = 0, .name = "init"});
    fake_process({.pid = 42, .ppid = 1, .name = "job", .state = 'Z', .start = 1700000000});
    details_of(42);
    std::vector<std::string> rows = shown(s.exti);
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_EQ(rows[4], "CMDLINE: job");
    for (int i = 0; i < 10; ++i)
        s.keys({'z'});
    rows = shown(s.exti);
    EXPECT_EQ(rows[rows.size() - 2], "FILE DESCRIPTORS:");
    EXPECT_EQ(rows.back(), "FD   TYPE    PATH");
}

// Text made only of repeats of one character.
bool only(std::string s, const std::string &ch)
{
    for (std::size_t at; (at = s.find(ch)) != std::string::npos;)
        s.erase(at, ch.size());
    return s.empty();
}

// A piece of 255 bytes or more is cut on a character's boundary, and a row
// the cut took the newline of still ends: the next section starts a row.
TEST_F(Window, ALongValueIsCutOnACharacterAndStillEndsItsRow)
{
    std::string cjk;
    for (int i = 0; i < 100; ++i)
        cjk += "\xe4\xb8\xad"; // 300 bytes of double-width characters
    // 254 bytes and a character whose bytes straddle the cut at 255.
    std::string exe = "/" + std::string(253, 'e') + "\xe4\xb8\xad";
    fake_process({.pid = 1, .ppid = 0, .name = "init"});
    fake_process({.pid = 42,
                  .ppid = 1,
                  .name = "job",
                  .cmdline = fake_argv({"job"}),
                  .exe = exe,
                  .files = {{-1, PF_VNODE, PF_CDIR, "/" + cjk}}});
    details_of(42);

    // The pad is 129 cells wide: the executable takes three rows, the
    // directory's 84 characters that fit in 255 bytes two.
    std::vector<std::string> rows = shown(s.exti);
    ASSERT_GE(rows.size(), 8u);
    EXPECT_EQ(rows[1], "EXE: /" + std::string(123, 'e'));
    EXPECT_EQ(rows[2], std::string(129, 'e'));
    EXPECT_EQ(rows[3], "e") << "no stray byte of the character that did not fit";
    EXPECT_EQ(rows[4], "ROOT: Information unavailable.");
    EXPECT_EQ(rows[5].substr(0, 6), "CWD: /");
    EXPECT_TRUE(only(rows[5].substr(6), "\xe4\xb8\xad")) << rows[5];
    EXPECT_TRUE(only(rows[6], "\xe4\xb8\xad")) << rows[6];
    EXPECT_EQ(rows[7], "CMDLINE: job");
}

TEST_F(Window, EverySectionHasItsFallback)
{
    fake_process({.pid = 1, .ppid = 0, .name = "init"});
    fake_process({.pid = 42, .ppid = 1, .name = "job", .files_unreadable = true});
    details_of(42);
    fake_process_gone(42);
    s.keys({'a'}); // the process went while the window is open
    const std::string no = "Information unavailable.";
    EXPECT_EQ(shown(s.exti),
              (std::vector<std::string>{"START: " + no, "EXE: " + no, "ROOT: " + no, "CWD: " + no, "CMDLINE: " + no, "",
                                        "STATUS:", no, "", "FILE DESCRIPTORS:", no}));
    EXPECT_EQ(s.exti->last_line, 10);
}

} // namespace
