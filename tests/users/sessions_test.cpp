#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/support/fake/fake_platform.h"
#include "tests/support/screen/test_screen.h"
#include "users/users.h"

namespace {

// Login pids are 100 + n; the parent of login n is 500 + n.
void login_with_parent(int n, const std::string &user, const std::string &line, const std::string &parent,
                       int parent_pid = 0)
{
    int ppid = parent_pid ? parent_pid : 500 + n;
    fake_process({.pid = ppid, .ppid = 1, .name = parent});
    fake_process({.pid = 100 + n, .ppid = ppid, .name = "login"});
    fake_login(user, line, "host" + std::to_string(n), 100 + n);
}

struct listed {
    std::string name;
    std::string tty;
    int line;
    bool operator==(const listed &) const = default;
};

std::ostream &operator<<(std::ostream &os, const listed &l)
{
    return os << l.name << "@" << l.tty << ":" << l.line;
}

std::vector<listed> oldest_first()
{
    std::vector<listed> v;
    for (const user_entry *u = users_oldest(); u; u = users_newer(u))
        v.push_back({u->name, u->tty, u->line});
    return v;
}

class Sessions : public ::testing::Test {
protected:
    widget *w = nullptr;

    void SetUp() override
    {
        fake_reset();
        // A screen of the test's own: another test's may have been torn
        // down with its widgets.
        test_screen_init(24, 80);
        w = scr_create(3, 0, 20, 79, 0, 79, "ulist", 3);
        w->crsr = 0;
    }

    // The list lives for the whole program; ending every session empties it
    // for the next test, and the counters must come back to zero with it.
    void TearDown() override
    {
        fake_logins_clear();
        fake_logins_fail(false);
        users_update(w);
        EXPECT_EQ(users_oldest(), nullptr);
        EXPECT_EQ(std::string(proc_ucount()), "\x01"
                                              "0 users: 0 local, 0 telnet, 0 ssh, 0 other\x03");
    }

    void paint_lines()
    {
        for (const user_entry *u = users_oldest(); u; u = users_newer(u))
            mvwaddstr(w->pad, u->line, 0, ("session " + std::string(u->name)).c_str());
    }
};

TEST_F(Sessions, CountsByLoginProgram)
{
    struct {
        std::vector<std::string> parents; // "" : the parent cannot be read
        const char *counts;
    } const cases[] = {
        {{"init", "sshd", "sshd"}, "3 users: 1 local, 0 telnet, 2 ssh, 0 other"},
        {{"sshd-session", "telnetd", "in.telnetd", "initx", "getty"}, "5 users: 1 local, 2 telnet, 1 ssh, 1 other"},
        {{"", "sshd: alice [priv]"}, "2 users: 0 local, 0 telnet, 1 ssh, 1 other"},
        {{}, "0 users: 0 local, 0 telnet, 0 ssh, 0 other"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.counts);
        TearDown();
        fake_reset();
        int n = 0;
        for (const std::string &p : c.parents) {
            login_with_parent(n, "u" + std::to_string(n), "pts/" + std::to_string(n), p);
            if (p.empty())
                fake_process_gone(500 + n);
            ++n;
        }
        users_init();
        EXPECT_EQ(std::string(proc_ucount()), std::string("\x01") + c.counts + "\x03");
    }
}

TEST_F(Sessions, ProcessOneIsLocalUnlessItsNameSaysOtherwise)
{
    login_with_parent(0, "root", "tty1", "systemd", 1);
    login_with_parent(1, "bob", "pts/1", "systemd"); // a process 1 in name only
    users_init();
    EXPECT_EQ(std::string(proc_ucount()), "\x01"
                                          "2 users: 1 local, 0 telnet, 0 ssh, 1 other\x03");
    EXPECT_STREQ(users_at_line(0)->prg, "systemd");
    TearDown();

    // A container whose first process is the ssh daemon: each login counts
    // once, as ssh, and going takes back exactly what coming gave.
    fake_reset();
    login_with_parent(0, "alice", "pts/0", "sshd", 1);
    login_with_parent(1, "bob", "pts/2", "sshd", 1);
    users_init();
    EXPECT_EQ(std::string(proc_ucount()), "\x01"
                                          "2 users: 0 local, 0 telnet, 2 ssh, 0 other\x03");
    fake_logins_clear();
    users_update(w);
    EXPECT_EQ(std::string(proc_ucount()), "\x01"
                                          "0 users: 0 local, 0 telnet, 0 ssh, 0 other\x03");
}

// Each login program lays out its processes its own way; the program
// column names what the login came through and the counts follow it.
TEST_F(Sessions, HowEachLoginArrivedAsTheRealProgramsLayItOut)
{
    fake_process({.pid = 1, .ppid = 0, .name = "systemd"});
    // OpenSSH records its privileged monitor, a child of the listener.
    fake_process({.pid = 10, .ppid = 1, .name = "sshd"});
    fake_process({.pid = 100, .ppid = 10, .name = "sshd"});
    // telnetd's login forks the shell it records.
    fake_process({.pid = 20, .ppid = 1, .name = "telnetd"});
    fake_process({.pid = 21, .ppid = 20, .name = "login"});
    fake_process({.pid = 101, .ppid = 21, .name = "bash"});
    fake_process({.pid = 40, .ppid = 1, .name = "in.telnetd"});
    fake_process({.pid = 41, .ppid = 40, .name = "login"});
    fake_process({.pid = 105, .ppid = 41, .name = "bash"});
    // getty's login under process 1 does the same; where the login
    // program itself is recorded (a session leader), it stands for itself.
    fake_process({.pid = 30, .ppid = 1, .name = "login"});
    fake_process({.pid = 102, .ppid = 30, .name = "bash"});
    fake_process({.pid = 103, .ppid = 1, .name = "login"});
    // A tmux server, recorded for its panes, is a child of process 1 too.
    fake_process({.pid = 104, .ppid = 1, .name = "tmux: server"});
    // Another user's login on a host that hides their processes.
    fake_process_hidden(106);
    const char *lines[] = {"pts/0", "pts/1", "tty1", "tty2", "pts/2", "pts/3", "pts/4"};
    int pids[] = {100, 101, 102, 103, 104, 105, 106};
    for (int i = 0; i < 7; ++i)
        fake_login("u" + std::to_string(i), lines[i], "", pids[i]);
    users_init();
    std::vector<std::string> prgs;
    for (const user_entry *u = users_oldest(); u; u = users_newer(u))
        prgs.push_back(u->prg);
    EXPECT_EQ(prgs, (std::vector<std::string>{"sshd", "telnetd", "systemd", "systemd", "systemd", "in.telnetd",
                                              "can't access"}));
    EXPECT_EQ(std::string(proc_ucount()), "\x01"
                                          "7 users: 2 local, 2 telnet, 1 ssh, 2 other\x03");

    // The hidden login stays while its process exists, and goes when it
    // ends.
    users_update(w);
    EXPECT_EQ(nusers, 7);
    fake_reset();
    fake_process({.pid = 100, .ppid = 10, .name = "sshd"});
    fake_login("u0", "pts/0", "", 100);
    fake_login("u6", "pts/4", "", 106);
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"u0", "pts/0", 0}}));

    // Where the system cannot tell a hidden process from none, a login
    // lasts while its line does.
    fake_pids_untold(true);
    fake_line("pts/5", 0x8805);
    fake_login("u7", "pts/5", "", 107);
    fake_login("u8", "pts/6", "", 108);
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"u0", "pts/0", 0}, {"u7", "pts/5", 1}}));
    EXPECT_STREQ(users_at_line(1)->prg, "can't access");
}

TEST_F(Sessions, RecordFields)
{
    const std::string long_user(40, 'u');
    const std::string long_host(200, 'h');
    fake_process({.pid = 600, .ppid = 1, .name = "averyveryverylongparent"});
    fake_process({.pid = 100, .ppid = 600, .name = "login"});
    fake_process({.pid = 101, .ppid = 4242, .name = "orphan"}); // its parent is gone
    fake_login(long_user, "pts/7", long_host, 100);
    fake_login("dana", "pts/8", "", 101);
    users_init();
    const user_entry *u = users_at_line(0);
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(std::string(u->name), long_user.substr(0, 32));
    EXPECT_EQ(std::string(u->host), long_host.substr(0, 128));
    EXPECT_STREQ(u->tty, "pts/7");
    EXPECT_EQ(u->pid, 100);
    EXPECT_STREQ(u->prg, "averyveryverylo");
    EXPECT_STREQ(users_at_line(1)->prg, "can't access");
    EXPECT_EQ(users_at_line(2), nullptr);
}

// A session is a line and its login process: two logins on one line are
// two sessions, and the same login read twice is one.
TEST_F(Sessions, ASessionIsALineAndItsLoginProcess)
{
    login_with_parent(0, "alice", "pts/0", "sshd");
    login_with_parent(1, "bob", "pts/0", "sshd");
    fake_login("alice", "pts/0", "host0", 100);
    users_init();
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"alice", "pts/0", 0}, {"bob", "pts/0", 1}}));

    // Bob's login ends; alice's stays.
    fake_logins_clear();
    fake_login("alice", "pts/0", "host0", 100);
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"alice", "pts/0", 0}}));

    // The line is reused by a new login while the old record is still
    // there: both are listed, the new one at the bottom.
    login_with_parent(2, "carol", "pts/0", "telnetd");
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"alice", "pts/0", 0}, {"carol", "pts/0", 1}}));
    EXPECT_EQ(ntelnet, 1);

    // A login whose record changes its user but not its process keeps the
    // record it was first seen with.
    fake_logins_clear();
    fake_login("mallory", "pts/0", "elsewhere", 100);
    fake_login("carol", "pts/0", "host2", 102);
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"alice", "pts/0", 0}, {"carol", "pts/0", 1}}));
}

// A login record that outlives its process (its daemon was killed) is no
// login: it is not listed, and a listed one goes at the next tick.
TEST_F(Sessions, ALoginWhoseProcessIsGoneIsNone)
{
    login_with_parent(0, "alice", "pts/0", "sshd");
    login_with_parent(1, "bob", "pts/1", "sshd");
    fake_login("ghost", "pts/2", "", 4242); // no such process
    users_init();
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"alice", "pts/0", 0}, {"bob", "pts/1", 1}}));

    fake_process_gone(100);
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"bob", "pts/1", 0}}));
    EXPECT_EQ(std::string(proc_ucount()), "\x01"
                                          "1 users: 0 local, 0 telnet, 1 ssh, 0 other\x03");
}

TEST_F(Sessions, AFailedReadKeepsTheList)
{
    login_with_parent(0, "alice", "pts/0", "sshd");
    users_init();
    fake_logins_fail(true);
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"alice", "pts/0", 0}}));
    fake_logins_fail(false);
    fake_logins_clear();
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{}));
}

TEST_F(Sessions, AnEndedSessionTakesItsRowAndTheRowsBelowMoveUp)
{
    struct {
        int crsr_before;
        int crsr_after;
    } const cases[] = {{1, 1}, {2, 2}, {3, 2}, {4, 3}};
    for (const auto &c : cases) {
        SCOPED_TRACE("bar on line " + std::to_string(c.crsr_before));
        TearDown();
        SetUp();
        for (int n = 0; n < 5; ++n)
            login_with_parent(n, "u" + std::to_string(n), "tty" + std::to_string(n), "sshd");
        users_init();
        paint_lines();
        w->crsr = c.crsr_before;

        fake_logins_clear();
        for (int n = 0; n < 5; ++n)
            if (n != 2)
                fake_login("u" + std::to_string(n), "tty" + std::to_string(n), "", 100 + n);
        users_update(w);
        EXPECT_EQ(oldest_first(),
                  (std::vector<listed>{{"u0", "tty0", 0}, {"u1", "tty1", 1}, {"u3", "tty3", 2}, {"u4", "tty4", 3}}));
        EXPECT_EQ(nusers, 4);
        EXPECT_EQ(pad_text(w->pad, 1, 0, 9), "session u1");
        EXPECT_EQ(pad_text(w->pad, 2, 0, 9), "session u3");
        EXPECT_EQ(pad_text(w->pad, 3, 0, 9), "session u4");
        EXPECT_EQ(pad_text(w->pad, 4, 0, 9), std::string(10, ' '));
        EXPECT_EQ(w->crsr, c.crsr_after);

        // The next login takes the bottom line.
        login_with_parent(5, "u5", "tty5", "sshd");
        users_update(w);
        ASSERT_NE(users_at_line(4), nullptr);
        EXPECT_STREQ(users_at_line(4)->name, "u5");
        EXPECT_EQ(nusers, 5);
    }
}

TEST_F(Sessions, LineNamesAreComparedOverSixteenBytes)
{
    const std::string sixteen = "pts/abcdefghijkl";
    login_with_parent(0, "alice", sixteen + "mnop", "sshd");
    users_init();
    EXPECT_STREQ(users_at_line(0)->tty, sixteen.c_str());
    users_update(w);
    EXPECT_EQ(nusers, 1) << "the login is still listed, no new session";
}

TEST_F(Sessions, MoreSessionsThanThePadHasRows)
{
    const int many = 300;
    auto read = [](int skip1, int skip2) {
        fake_logins_clear();
        for (int n = 0; n < many; ++n)
            if (n != skip1 && n != skip2)
                fake_login("u" + std::to_string(n), "pts/" + std::to_string(n), "", 100 + n);
    };
    for (int n = 0; n < many; ++n)
        fake_process({.pid = 100 + n, .ppid = 1, .name = "login"});
    read(-1, -1);
    users_init();
    ASSERT_EQ(nusers, many);

    read(280, 10);
    users_update(w);
    int expect = 0;
    for (const user_entry *u = users_oldest(); u; u = users_newer(u))
        EXPECT_EQ(u->line, expect++);
    EXPECT_EQ(expect, many - 2);
    EXPECT_STREQ(users_at_line(278)->tty, "pts/279");
    EXPECT_STREQ(users_at_line(279)->tty, "pts/281");
}

} // namespace
