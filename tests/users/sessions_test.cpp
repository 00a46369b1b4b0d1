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
        // Widgets live for the whole program; one serves every test.
        static widget *const ulist = [] {
            test_screen_init(24, 80);
            return scr_create(3, 0, 20, 79, 256, 79, "ulist", 3);
        }();
        w = ulist;
        werase(w->pad);
        w->crsr = 0;
        w->first_row = 0;
    }

    // The list lives for the whole program; ending every session empties it
    // for the next test, and the counters must come back to zero with it.
    void TearDown() override
    {
        fake_logins_clear();
        for (const user_entry *u = users_oldest(); u; u = users_newer(u))
            fake_login("", u->tty, "", 0);
        users_update(w);
        EXPECT_EQ(users_oldest(), nullptr);
        EXPECT_EQ(std::string(proc_ucount()), "\x01" "0 users: 0 local, 0 telnet, 0 ssh, 0 other\x03");
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
        std::vector<std::string> parents;  // "" : the parent cannot be read
        const char *counts;
    } const cases[] = {
        {{"init", "sshd", "sshd"}, "3 users: 1 local, 0 telnet, 2 ssh, 0 other"},
        {{"sshd-session", "telnetd", "in.telnetd", "initx", "getty"}, "5 users: 1 local, 1 telnet, 1 ssh, 2 other"},
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

TEST_F(Sessions, ProcessOneIsLocalWhateverItsName)
{
    login_with_parent(0, "root", "tty1", "systemd", 1);
    login_with_parent(1, "bob", "tty2", "systemd", 1);
    login_with_parent(2, "carol", "pts/0", "systemd");  // a process 1 in name only
    users_init();
    EXPECT_EQ(std::string(proc_ucount()), "\x01" "3 users: 2 local, 0 telnet, 0 ssh, 1 other\x03");
    EXPECT_STREQ(users_at_line(0)->prg, "systemd");
}

TEST_F(Sessions, RecordFields)
{
    const std::string long_user(40, 'u');
    const std::string long_host(200, 'h');
    fake_process({.pid = 600, .ppid = 1, .name = "averyveryverylongparent"});
    fake_process({.pid = 100, .ppid = 600, .name = "login"});
    fake_login(long_user, "pts/7", long_host, 100);
    fake_login("gone", "pts/8", "", 4242);  // no such process
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

TEST_F(Sessions, DuplicateLinesAtStartAreAllListed)
{
    login_with_parent(0, "alice", "pts/0", "sshd");
    login_with_parent(1, "bob", "pts/0", "sshd");
    users_init();
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"alice", "pts/0", 0}, {"bob", "pts/0", 1}}));

    // An end takes the newest session on that line.
    fake_logins_clear();
    fake_login("", "pts/0", "", 0);
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"alice", "pts/0", 0}}));
}

TEST_F(Sessions, AReusedLineKeepsItsRecordUntilItEnds)
{
    login_with_parent(0, "alice", "pts/1", "sshd");
    users_init();
    fake_logins_clear();
    login_with_parent(1, "bob", "pts/1", "telnetd");
    users_update(w);
    EXPECT_EQ(oldest_first(), (std::vector<listed>{{"alice", "pts/1", 0}}));
    EXPECT_STREQ(users_at_line(0)->prg, "sshd");
    EXPECT_EQ(ntelnet, 0);
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
            fake_login(n == 2 ? "" : "u" + std::to_string(n), "tty" + std::to_string(n), "", 100 + n);
        users_update(w);
        EXPECT_EQ(oldest_first(), (std::vector<listed>{
                                      {"u0", "tty0", 0}, {"u1", "tty1", 1}, {"u3", "tty3", 2}, {"u4", "tty4", 3}}));
        EXPECT_EQ(nusers, 4);
        EXPECT_EQ(pad_text(w->pad, 1, 0, 9), "session u1");
        EXPECT_EQ(pad_text(w->pad, 2, 0, 9), "session u3");
        EXPECT_EQ(pad_text(w->pad, 3, 0, 9), "session u4");
        EXPECT_EQ(pad_text(w->pad, 4, 0, 9), std::string(10, ' '));
        EXPECT_EQ(w->crsr, c.crsr_after);

        // The ended record stays in the database; the next login takes the
        // bottom line.
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
    const std::string longer = sixteen + "mnop";
    login_with_parent(0, "alice", sixteen, "sshd");
    login_with_parent(1, "bob", longer, "sshd");
    users_init();
    EXPECT_STREQ(users_at_line(1)->tty, sixteen.c_str());

    users_update(w);
    EXPECT_EQ(nusers, 2) << "both lines are still listed, no new session";

    fake_logins_clear();
    fake_login("", sixteen, "", 0);
    fake_login("", sixteen, "", 0);
    users_update(w);
    EXPECT_EQ(nusers, 0);
}

TEST_F(Sessions, MoreSessionsThanThePadHasRows)
{
    const int many = 300;
    for (int n = 0; n < many; ++n)
        fake_login("u" + std::to_string(n), "pts/" + std::to_string(n), "", 100 + n);
    users_init();
    ASSERT_EQ(nusers, many);

    fake_logins_clear();
    fake_login("", "pts/280", "", 0);
    fake_login("", "pts/10", "", 0);
    users_update(w);
    int expect = 0;
    for (const user_entry *u = users_oldest(); u; u = users_newer(u))
        EXPECT_EQ(u->line, expect++);
    EXPECT_EQ(expect, many - 2);
    EXPECT_STREQ(users_at_line(278)->tty, "pts/279");
    EXPECT_STREQ(users_at_line(279)->tty, "pts/281");
}

}  // namespace
