// A host that keeps no login file, as openSUSE does: the logins are
// systemd-logind's sessions, listed as the same logins from a login file
// would be. Where the file exists, it stays the source.
#include <string>
#include <vector>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

std::string skipped()
{
    if (!VIGIL_SD_LOGIN)
        return "vigil was built without libsystemd or libelogind";
    return login_sandbox::unavailable();
}

// An ssh login, whose leader is sshd's monitor; a console login, whose
// leader is login itself, a child of process 1, its shell below it; a
// display manager's session without a terminal.
std::vector<standin_login> shapes()
{
    standin_login console{{}, 1, "sleep-on-tty1", {}, {"login", "-bash"}};
    return {ssh_login("vim notes"), console, pane_login("gdm-session-worker")};
}

TEST(Logind, SessionsAreTheLoginsWhereThereIsNoFile)
{
    if (std::string why = skipped(); !why.empty())
        GTEST_SKIP() << why;
    login_sandbox box(shapes());
    pty_term t(box.options());
    ASSERT_TRUE(box.started(t));
    // A closing session has ended; a greeter, and a user's session on
    // neither a terminal nor a display (an ssh command), are no logins.
    box.write_sessions({
        {.id = "3", .proc = 0, .uid = 0, .tty = box.line(0), .host = "192.0.2.7"},
        {.id = "5", .proc = 1, .uid = 1, .tty = box.line(1), .state = "online"},
        {.id = "7", .proc = 0, .uid = 0, .tty = "pts/99", .state = "closing"},
        {.id = "c2", .proc = 2, .uid = 0, .display = ":1", .klass = "greeter"},
        {.id = "9", .proc = 2, .uid = 0},
        {.id = "12", .proc = 2, .uid = 4321, .display = ":0"},
    });
    auto tty = [&](int i) {
        return (box.line(i) + "      ").substr(0, 6) + " ";
    };
    const std::vector<std::string> rows = {
        "sshd           root      " + tty(0) + "192.0.2.7           vim notes 1000",
        "sh             daemon    " + tty(1) + "                    sleep-on-tty1 1000",
        "gdm-session-wo 4321      :0                         -",
    };
    auto listed = [&](const std::vector<std::string> &want) {
        return [&, want](const pty_term &s) {
            for (std::size_t i = 0; i < want.size(); ++i)
                if (s.row(3 + static_cast<int>(i)) != want[i])
                    return false;
            return s.row(3 + static_cast<int>(want.size())).empty();
        };
    };
    ASSERT_TRUE(t.wait_for(listed(rows))) << t.dump();
    EXPECT_TRUE(t.wait_for_text("3 users: 1 local, 0 telnet, 1 ssh, 1 other", 0)) << t.dump();

    // The ssh session closes: it leaves at the next tick.
    box.write_sessions({
        {.id = "3", .proc = 0, .uid = 0, .tty = box.line(0), .host = "192.0.2.7", .state = "closing"},
        {.id = "5", .proc = 1, .uid = 1, .tty = box.line(1), .state = "online"},
        {.id = "12", .proc = 2, .uid = 4321, .display = ":0"},
    });
    ASSERT_TRUE(t.wait_for(listed({rows[1], rows[2]}), 8s)) << t.dump();
    EXPECT_TRUE(t.wait_for_text("2 users: 1 local, 0 telnet, 0 ssh, 1 other", 0)) << t.dump();
}

TEST(Logind, TheLoginFileStaysTheSourceWhereItExists)
{
    if (std::string why = skipped(); !why.empty())
        GTEST_SKIP() << why;
    login_sandbox box(shapes());
    pty_term t(box.options());
    ASSERT_TRUE(box.started(t));
    box.write_sessions({{.id = "3", .proc = 0, .uid = 0, .tty = box.line(0), .host = "192.0.2.7"}});
    box.write({{1, "carol", box.line(1), "", false}});
    ASSERT_TRUE(t.wait_for_text("carol", 3)) << t.dump();
    t.run_for(3500ms);
    EXPECT_EQ(t.row(4), "") << t.dump();
    EXPECT_EQ(t.row(0).substr(0, 42), "1 users: 1 local, 0 telnet, 0 ssh, 0 other") << t.dump();
}

} // namespace
