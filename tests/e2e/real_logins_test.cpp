// Logins made by the real programs, each laying out its processes its own
// way: the row shows the program the login came through and, as procps w
// shows it, what runs in the foreground of its line; the counts tell the
// kinds apart; a login that ends leaves the list.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/term/pty_term.h"
#include "tests/support/term/real_logins.h"
#include "tests/support/term/vigil_screen.h"

namespace {

// The list's row that begins with `head` (program, user), or "".
std::string row_of(const pty_term &t, const std::string &head)
{
    for (int r = 3; r < t.rows() - 1; ++r)
        if (t.row(r).starts_with(head))
            return t.row(r);
    return "";
}

// The foreground column of a row, and its line column.
std::string fg_of(const std::string &row)
{
    return row.size() > 52 ? row.substr(52) : "";
}
std::string line_of(const std::string &row)
{
    std::string line = row.substr(25, 6);
    return line.erase(line.find_last_not_of(' ') + 1);
}

// What w shows for a line.
std::string w_for(const std::string &w, const std::string &line)
{
    std::istringstream in(w);
    for (std::string l; std::getline(in, l);)
        if (l.starts_with(line + " "))
            return l.substr(line.size() + 1);
    return "(no line " + line + " in w)";
}

class RealLogins : public testing::Test {
protected:
    void start(bool hide = false)
    {
        if (std::string why = real_logins::unavailable(); !why.empty())
            GTEST_SKIP() << why;
        logins = std::make_unique<real_logins>(hide);
        term_options opt;
        opt.rows = 30;
        opt.cols = 100;
        t = std::make_unique<pty_term>(logins->options(opt));
        ASSERT_TRUE(logins->started(*t));
        ASSERT_TRUE(t->wait_for_text("0 users: 0 local, 0 telnet, 0 ssh, 0 other", 0));
    }

    // Until the login's row shows `fg` in the foreground column, and then
    // that w finds the same on its line.
    void shows(const std::string &head, const std::string &fg, bool as_w = true)
    {
        ASSERT_TRUE(t->wait_for([&](const pty_term &s) { return fg_of(row_of(s, head)) == fg; }, 15s))
            << head << " ... " << fg << "\n"
            << t->dump();
        if (as_w) {
            EXPECT_EQ(w_for(logins->w(*t), line_of(row_of(*t, head))), fg) << t->dump();
        }
    }

    void ends(const std::string &head)
    {
        EXPECT_TRUE(t->wait_for([&](const pty_term &s) { return row_of(s, head).empty(); }, 15s)) << t->dump();
    }

    std::unique_ptr<real_logins> logins;
    std::unique_ptr<pty_term> t;
};

TEST_F(RealLogins, Ssh)
{
    start();
    // The recorded process is sshd's privileged monitor, which has no
    // terminal; the shell holding the line is its grandchild.
    logins->ssh("cmd", "sleep 555");
    shows("sshd           alice     ", "sleep 555");
    EXPECT_NE(row_of(*t, "sshd").find(" 127.0.0.1 "), std::string::npos) << t->dump();
    EXPECT_TRUE(t->wait_for_text("1 users: 0 local, 0 telnet, 1 ssh, 0 other", 0));

    // An interactive shell running a pipeline: w names its newest member,
    // vigil the group's leader.
    logins->ssh("shell");
    ASSERT_TRUE(logins->printed(*t, "shell", "alice@"));
    logins->type("shell", "sleep 600 | cat\r");
    ASSERT_TRUE(t->wait_for([](const pty_term &s) {
        for (int r = 3; r < 5; ++r)
            if (fg_of(s.row(r)) == "sleep 600")
                return s.row(r).starts_with("sshd           alice     ");
        return false;
    })) << t->dump();
    EXPECT_TRUE(t->wait_for_text("2 users: 0 local, 0 telnet, 2 ssh, 0 other", 0));

    // Ctrl+C ends the command and with it the first session.
    logins->type("cmd", "\x03");
    EXPECT_TRUE(t->wait_for_text("1 users: 0 local, 0 telnet, 1 ssh, 0 other", 0, 15s)) << t->dump();
    EXPECT_EQ(fg_of(t->row(3)), "sleep 600") << t->dump();
    EXPECT_EQ(t->row(4), "") << t->dump();
}

TEST_F(RealLogins, Console)
{
    start();
    // getty under process 1 runs login, which forks the shell it records:
    // the program column names process 1, here the namespace's shell.
    logins->console("tty");
    ASSERT_TRUE(logins->printed(*t, "tty", "alice@"));
    logins->type("tty", "sleep 556\r");
    shows("sh             alice     ", "sleep 556");
    EXPECT_TRUE(t->wait_for_text("1 users: 1 local, 0 telnet, 0 ssh, 0 other", 0));
    logins->type("tty", "\x03"
                        "exit\r");
    ends("sh             alice");
    EXPECT_TRUE(t->wait_for_text("0 users: 0 local, 0 telnet, 0 ssh, 0 other", 0));
}

TEST_F(RealLogins, Telnet)
{
    start();
    // telnetd's login forks the shell it records, as getty's does.
    ASSERT_TRUE(logins->telnet(*t, "net"));
    logins->type("net", "sleep 558\r");
    shows("telnetd        alice     ", "sleep 558");
    EXPECT_TRUE(t->wait_for_text("1 users: 0 local, 1 telnet, 0 ssh, 0 other", 0));
    logins->type("net", "\x03"
                        "exit\r");
    ends("telnetd");
    EXPECT_TRUE(t->wait_for_text("0 users: 0 local, 0 telnet, 0 ssh, 0 other", 0));
}

TEST_F(RealLogins, TmuxPane)
{
    start();
    // libutempter records the tmux server, a child of process 1 whose pane
    // holds the line: a login of another kind, not a local one. w names
    // the server itself here; what runs on the line is the pane's command.
    logins->tmux("sleep 557");
    shows("sh             root      ", "sleep 557", false);
    EXPECT_NE(row_of(*t, "sh").find(" tmux("), std::string::npos) << t->dump();
    EXPECT_TRUE(t->wait_for_text("1 users: 0 local, 0 telnet, 0 ssh, 1 other", 0));
    logins->tmux_end();
    ends("sh             root");
}

// /proc hides other users' processes from bob, who runs vigil: alice's
// login stays listed, as one whose process cannot be read, until it ends.
TEST_F(RealLogins, HiddenFromAnOrdinaryUser)
{
    start(true);
    logins->ssh("cmd", "sleep 559");
    ASSERT_TRUE(t->wait_for_text("can't access   alice     ", 3, 15s)) << t->dump();
    EXPECT_TRUE(t->wait_for_text("1 users: 0 local, 0 telnet, 0 ssh, 1 other", 0));
    t->run_for(3500ms); // a tick later it is still there
    EXPECT_TRUE(t->row(3).starts_with("can't access   alice     ")) << t->dump();
    logins->type("cmd", "\x03");
    ends("can't access");
    EXPECT_TRUE(t->wait_for_text("0 users: 0 local, 0 telnet, 0 ssh, 0 other", 0));
}

} // namespace
