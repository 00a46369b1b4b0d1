#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "procs/procs.h"
#include "tests/support/fake/fake_platform.h"

namespace {

class Queries : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_reset();
        can_use_kvm = kvm_init();
        full_cmd = 1;
    }
    void TearDown() override { full_cmd = 1; }
};

// What a reader of the raw vector expects: zero bytes between arguments
// read as spaces, the final one does not show, at most 510 characters.
std::string joined(std::string raw)
{
    if (!raw.empty() && raw.back() == '\0')
        raw.pop_back();
    for (char &c : raw)
        if (c == '\0')
            c = ' ';
    return raw.substr(0, 510);
}

struct cmdline_case {
    const char *what;
    std::string raw;
    std::string want;
};

TEST_F(Queries, CommandLines)
{
    std::string huge;
    for (int i = 0; huge.size() < 100 * 1024; ++i)
        huge += "argument" + std::to_string(i) + '\0';
    const std::string at_limit = std::string(510, 'x') + '\0';
    const std::string past_limit = std::string(300, 'y') + '\0' + std::string(300, 'z') + '\0';
    const cmdline_case cases[] = {
        {"arguments joined by one space", fake_argv({"sshd:", "alice@pts/0"}), "sshd: alice@pts/0"},
        {"an empty argument gives two spaces", fake_argv({"cat", "", "x"}), "cat  x"},
        {"an empty last argument leaves a space", fake_argv({"cat", ""}), "cat "},
        {"a vector of one empty argument is empty", fake_argv({""}), ""},
        {"no zero byte at the end", std::string("nginx: worker process"), "nginx: worker process"},
        {"control bytes and invalid UTF-8 are kept", std::string("a\x01\x1f\xff\xfe\0b\0", 8), "a\x01\x1f\xff\xfe b"},
        {"exactly 510 characters", at_limit, std::string(510, 'x')},
        {"cut at 510 without a mark", past_limit, joined(past_limit)},
        {"100 KiB of arguments", huge, joined(huge)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fake_process({.pid = 100, .ppid = 1, .name = "prog", .cmdline = c.raw});
        std::string got = get_cmdline(100);
        EXPECT_EQ(got, c.want);
        EXPECT_LE(got.size(), 510u);
    }
}

TEST_F(Queries, CommandNameStandsInForTheArguments)
{
    fake_process({.pid = 2, .ppid = 0, .name = "kthreadd"});
    fake_process({.pid = 100, .ppid = 1, .name = "bash", .cmdline = fake_argv({"-bash"})});
    EXPECT_STREQ(get_cmdline(2), "kthreadd") << "an empty vector";

    full_cmd = 0;
    EXPECT_STREQ(get_cmdline(100), "bash") << "full_cmd off";
    full_cmd = 1;
    EXPECT_STREQ(get_cmdline(100), "-bash");

    fake_cmdlines_readable(false);
    can_use_kvm = kvm_init();
    EXPECT_EQ(can_use_kvm, 0);
    EXPECT_STREQ(get_cmdline(100), "bash") << "vectors unreadable on this host";
}

TEST_F(Queries, MissingProcessGivesTheFailureValues)
{
    fake_process({.pid = 100, .ppid = 1, .name = "bash", .tpgid = 100, .cmdline = fake_argv({"bash"})});
    // Fill the static buffers first: a failure must not hand them back.
    EXPECT_STREQ(get_name(100), "bash");
    EXPECT_STREQ(get_cmdline(100), "bash");
    fake_process_gone(100);
    EXPECT_EQ(get_ppid(100), -1);
    EXPECT_STREQ(get_name(100), "can't access");
    EXPECT_STREQ(get_cmdline(100), "-");
    w_line line;
    EXPECT_STREQ(get_w(100, line), "-");
    EXPECT_EQ(proc_pid_uid(100), -1);
}

// An ssh login as OpenSSH lays it out: the recorded monitor has no
// terminal; the shell that holds the line is its grandchild and runs a
// pipeline in the foreground.
TEST_F(Queries, ForegroundOfALoginsLine)
{
    constexpr std::uint64_t pts = 0x8800;
    fake_process({.pid = 100, .ppid = 1, .name = "sshd", .cmdline = fake_argv({"sshd: alice [priv]"})});
    fake_process({.pid = 101, .ppid = 100, .name = "sshd", .cmdline = fake_argv({"sshd: alice@pts/0"})});
    fake_process({.pid = 102,
                  .ppid = 101,
                  .name = "bash",
                  .tpgid = 200,
                  .pgrp = 102,
                  .tty = pts,
                  .cmdline = fake_argv({"-bash"})});
    fake_process({.pid = 200,
                  .ppid = 102,
                  .name = "vim",
                  .tpgid = 200,
                  .pgrp = 200,
                  .tty = pts,
                  .cmdline = fake_argv({"vim", "notes.txt"})});
    fake_process({.pid = 201,
                  .ppid = 102,
                  .name = "tee",
                  .tpgid = 200,
                  .pgrp = 200,
                  .tty = pts,
                  .cmdline = fake_argv({"tee", "log"})});
    w_line line{.dev = pts};
    EXPECT_STREQ(get_w(100, line), "vim notes.txt");
    EXPECT_EQ(line.holder, 102);

    // Once found, the holder is asked directly: the way down from the
    // recorded process is not walked again.
    fake_process_gone(101);
    EXPECT_STREQ(get_w(100, line), "vim notes.txt");

    // The leader exits while the rest of its group runs on; then the whole
    // group ends and the shell's line has no process in its foreground.
    fake_process_gone(200);
    EXPECT_STREQ(get_w(100, line), "tee log");
    fake_process({.pid = 201, .ppid = 102, .name = "tee", .pgrp = 200, .tty = pts, .state = 'Z'});
    EXPECT_STREQ(get_w(100, line), "-");

    // The shell goes: nothing below the login holds the line any more.
    fake_process_gone(102);
    EXPECT_STREQ(get_w(100, line), "-");
    EXPECT_EQ(line.holder, 0);

    // A line that is no terminal answers for the login process's own.
    fake_process({.pid = 300, .ppid = 1, .name = "login", .tpgid = 301, .cmdline = fake_argv({"login"})});
    fake_process({.pid = 301, .ppid = 300, .name = "xterm", .cmdline = fake_argv({"xterm"})});
    fake_process({.pid = 400, .ppid = 1, .name = "cron", .tpgid = -1, .cmdline = fake_argv({"cron", "-f"})});
    w_line display;
    EXPECT_STREQ(get_w(300, display), "xterm");
    EXPECT_STREQ(get_w(400, display), "-") << "no controlling terminal";
}

TEST_F(Queries, ResultsShareOneBufferPerQuery)
{
    fake_process({.pid = 100, .ppid = 1, .name = "first", .cmdline = fake_argv({"first"})});
    fake_process({.pid = 101, .ppid = 1, .name = "second", .cmdline = fake_argv({"second", "x"})});
    const char *a = get_cmdline(100);
    const char *b = get_cmdline(101);
    EXPECT_EQ(a, b);
    EXPECT_STREQ(a, "second x");
    const char *n = get_name(100);
    get_name(101);
    EXPECT_STREQ(n, "second");
}

TEST_F(Queries, ParentAndOwner)
{
    fake_process({.pid = 100, .ppid = 42, .name = "sshd", .uid = 1000});
    fake_process({.pid = 101, .ppid = 42, .name = "nobody", .uid = 4294967295u});
    EXPECT_EQ(get_ppid(100), 42);
    EXPECT_EQ(proc_pid_uid(100), 1000);
    EXPECT_EQ(proc_pid_uid(101), -1) << "the uid as a signed int";
}

TEST_F(Queries, WholeTable)
{
    proc_rec *recs = nullptr;
    EXPECT_EQ(get_all_info(&recs), 0);
    std::free(recs);

    fake_process({.pid = 1, .ppid = 0, .name = "init"});
    fake_process({.pid = 100, .ppid = 1, .name = "sshd"});
    fake_process({.pid = 200, .ppid = 100, .name = "bash"});
    int n = get_all_info(&recs);
    ASSERT_EQ(n, 3);
    ASSERT_NE(recs, nullptr);
    int pid_sum = 0;
    int ppid_sum = 0;
    for (int i = 0; i < n; ++i) {
        pid_sum += recs[i].pid;
        ppid_sum += recs[i].ppid;
    }
    EXPECT_EQ(pid_sum, 301);
    EXPECT_EQ(ppid_sum, 101);
    std::free(recs);
}

TEST_F(Queries, LoadAverages)
{
    double l[3] = {-1, -1, -1};
    EXPECT_EQ(proc_getloadavg(l, 3), -1);
    fake_load(0.5, 1, 2);
    EXPECT_EQ(proc_getloadavg(l, 3), 3);
    EXPECT_DOUBLE_EQ(l[0], 0.5);
    EXPECT_DOUBLE_EQ(l[1], 1);
    EXPECT_DOUBLE_EQ(l[2], 2);
    double two[2] = {};
    EXPECT_EQ(proc_getloadavg(two, 2), 2);
    EXPECT_DOUBLE_EQ(two[1], 1);
}

} // namespace
