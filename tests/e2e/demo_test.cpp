// make demo as a newcomer meets it: four logins of every kind with their
// processes, the keys work, and quitting leaves nothing behind.
#include <filesystem>
#include <string>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"

namespace {

int demo_leftovers()
{
    int n = 0;
    for (const auto &e : std::filesystem::directory_iterator("/tmp"))
        n += e.path().filename().string().starts_with("vigil-demo.");
    return n;
}

TEST(Demo, ShowsLoginsAndTheirTreesAndLeavesNothingBehind)
{
    if (std::string why = login_sandbox::unavailable(); !why.empty())
        GTEST_SKIP() << why;
    int before = demo_leftovers();
    term_options opt;
    opt.rows = 32;
    opt.cols = 110;
    opt.command = {VIGIL_SOURCE_DIR "/scripts/demo.sh"};
    opt.env.push_back("VIGIL_DEMO_BUILD=" VIGIL_BUILD_DIR);
    pty_term t(opt);
    ASSERT_TRUE(t.wait_for_text("4 users: 1 local, 1 telnet, 1 ssh, 1 other", 0)) << t.dump();
    // Each login names its program and, on the line its shell holds
    // (whichever pseudo-terminal that is), the command in its foreground.
    auto row_is = [](int r, const std::string &head, const std::string &tail) {
        return [=](const pty_term &s) {
            std::string text = s.row(r);
            return text.starts_with(head + "pts/") && text.ends_with(tail);
        };
    };
    EXPECT_TRUE(t.wait_for(row_is(3, "sh             root      ", "vim /etc/motd"))) << t.dump();
    EXPECT_TRUE(t.wait_for(row_is(4, "sshd           nobody    ", "192.0.2.10          top -d 3"))) << t.dump();
    EXPECT_TRUE(t.wait_for(row_is(5, "telnetd        daemon    ", "198.51.100.7        mutt"))) << t.dump();
    EXPECT_TRUE(t.wait_for(row_is(6, "sh             www-data  ", "ssh build.example.org"))) << t.dump();
    t.send("t");
    ASSERT_TRUE(t.wait_for_text("cc1 -O2 part1.c")) << t.dump();
    EXPECT_TRUE(t.wait_for_text("sshd: nobody [priv]")) << t.dump();
    t.send("\r");
    ASSERT_TRUE(t.wait_for_text("[ENT]proc all[t]ree [d]etails [s]ysinfo", t.rows() - 1));
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_EQ(demo_leftovers(), before) << "the demo's files are gone";
}

} // namespace
