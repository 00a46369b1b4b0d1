#include <csignal>
#include <ctime>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/platform.h"
#include "procs/procs.h"
#include "tests/support/child/test_child.h"

namespace {

// A child running `cat - ARGS...`: it blocks reading the pipe on its
// standard input, so its argument vector stays put until it is killed.
struct cat_child {
    pid_t pid = -1;
    int in = -1;

    cat_child(const std::vector<std::string> &args, bool own_session)
    {
        std::vector<std::string> argv = {"cat", "-"};
        argv.insert(argv.end(), args.begin(), args.end());
        int p[2];
        if (pipe(p) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            std::vector<char *> cargv;
            for (std::string &a : argv)
                cargv.push_back(a.data());
            cargv.push_back(nullptr);
            dup2(p[0], 0);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            close(p[1]);
            if (own_session)
                setsid();
            execvp("cat", cargv.data());
            _exit(127);
        }
        close(p[0]);
        in = p[1];
        // Until exec has finished the child shows our name, then for a
        // moment cat's name with an empty argument vector.
        char raw[8];
        for (int i = 0; i < 5000 && (std::string(get_name(pid)) != "cat" || plat_cmdline(pid, raw, sizeof raw) <= 0);
             ++i)
            usleep(1000);
    }
    cat_child(const cat_child &) = delete;
    cat_child &operator=(const cat_child &) = delete;
    ~cat_child()
    {
        if (in >= 0)
            close(in);
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

std::string joined(const std::vector<std::string> &argv)
{
    std::string s;
    for (const std::string &a : argv)
        s += (s.empty() && &a == &argv.front() ? "" : " ") + a;
    return s.substr(0, 510);
}

class LiveHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        can_use_kvm = kvm_init();
        if (!can_use_kvm)
            GTEST_SKIP() << "no process file system at " << plat_root.proc;
    }
};

TEST_F(LiveHost, OwnProcess)
{
    proc_rec r{};
    ASSERT_TRUE(plat_proc(getpid(), r));
    EXPECT_EQ(r.pid, getpid());
    EXPECT_EQ(r.ppid, getppid());
    EXPECT_EQ(r.state, 'R');
    EXPECT_STREQ(r.comm, "platform_tests");
    std::uint32_t euid = 0;
    ASSERT_TRUE(plat_proc_euid(getpid(), euid));
    EXPECT_EQ(euid, geteuid());
    EXPECT_EQ(r.state_code, PS_RUNNING);
    // Started within this test run, as the wall clock tells.
    EXPECT_LE(r.start, static_cast<std::int64_t>(time(nullptr)));
    EXPECT_GT(r.start, static_cast<std::int64_t>(time(nullptr)) - 600);
    EXPECT_GE(r.threads, 1);
    EXPECT_GT(r.vsize, r.rss);
    EXPECT_GT(r.rss, 0u);

    EXPECT_EQ(get_ppid(getpid()), getppid());
    EXPECT_STREQ(get_name(getpid()), "platform_tests");
    EXPECT_EQ(proc_pid_uid(getpid()), static_cast<int>(geteuid()));
}

TEST_F(LiveHost, ChildArgumentVectors)
{
    std::vector<std::string> big;
    for (int i = 0; i < 100; ++i)
        big.push_back(std::string(1024, static_cast<char>('a' + i % 26)));
    const std::vector<std::string> cases[] = {
        {"", "two words"},
        {"\x01\x1f", "\xff\xfe"},
        big,
    };
    for (const auto &args : cases) {
        cat_child c(args, false);
        ASSERT_GT(c.pid, 0);
        ASSERT_STREQ(get_name(c.pid), "cat");
        std::vector<std::string> argv = {"cat", "-"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string got = get_cmdline(c.pid);
        EXPECT_EQ(got, joined(argv));
        EXPECT_LE(got.size(), 510u);
        EXPECT_EQ(get_ppid(c.pid), getpid());
    }
}

// The kilobytes of a "Name:" line of the process's status text, or -1.
long status_kb(pid_t pid, const std::string &name)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(name))
            return std::stol(line.substr(name.size()));
    return -1;
}

TEST_F(LiveHost, ChildRecordWithoutControllingTerminal)
{
    cat_child c({}, true);
    ASSERT_GT(c.pid, 0);
    proc_rec r{};
    ASSERT_TRUE(plat_proc(c.pid, r));
    EXPECT_EQ(r.tpgid, -1);
    EXPECT_EQ(r.tty, 0u);
    w_line line;
    EXPECT_STREQ(get_w(c.pid, line), "-");
    // Once blocked in its read, its resident size holds still: the kernel's
    // own count, not the stat line's estimate.
    for (int i = 0; i < 5000 && plat_proc(c.pid, r) && r.state != 'S'; ++i)
        usleep(1000);
    ASSERT_EQ(r.state, 'S');
    std::uint64_t rss = 0;
    ASSERT_TRUE(plat_proc_rss(c.pid, rss));
    EXPECT_EQ(static_cast<long>(rss / 1024), status_kb(c.pid, "VmRSS:"));
}

// A login laid out as sshd lays one out: the recorded process has no
// terminal; its child leads a session on a pseudo-terminal and runs the
// foreground command.
TEST_F(LiveHost, TheForegroundOfALineBelowTheLogin)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    test_child recorded;
    const pid_t login = recorded.pid();
    ASSERT_GE(login, 0);
    if (login == 0) {
        setsid();
        if (fork() == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            setsid();
            int tty = open(slave.c_str(), O_RDWR);
            if (tty < 0 || ioctl(tty, TIOCSCTTY, 0) != 0)
                _exit(1);
            execlp("sleep", "sleep", "1001", nullptr);
            _exit(127);
        }
        for (;;)
            if (wait(nullptr) < 0)
                pause();
    }
    std::uint64_t dev = 0;
    ASSERT_TRUE(plat_line_device(slave.c_str() + 5, dev)) << slave;
    struct stat st;
    ASSERT_EQ(stat(slave.c_str(), &st), 0);
    EXPECT_EQ(dev, static_cast<std::uint64_t>(st.st_rdev));
    w_line line{.dev = dev};
    std::string seen;
    for (int i = 0; i < 5000 && (seen = get_w(login, line)) != "sleep 1001"; ++i)
        usleep(1000);
    EXPECT_EQ(seen, "sleep 1001");
    proc_rec holder{};
    ASSERT_TRUE(plat_proc(line.holder, holder));
    EXPECT_EQ(holder.ppid, login);
    EXPECT_EQ(holder.tty, dev);
    EXPECT_EQ(holder.pgrp, holder.pid);
    EXPECT_EQ(holder.tpgid, holder.pid);
    EXPECT_EQ(plat_pid_exists(login), 1);

    // Line names that lead out of the device directory name no line.
    for (const char *name : {"", "/dev/null", "../dev/null", "pts/../null", "fd/0", "stdin", "shm"})
        EXPECT_FALSE(plat_line_device(name, dev)) << name;
    EXPECT_TRUE(plat_line_device("null", dev));

    kill(line.holder, SIGKILL);
    kill(login, SIGKILL);
    recorded.reap();
    EXPECT_EQ(plat_pid_exists(login), 0);
    close(master);
}

TEST_F(LiveHost, ChildThatExits)
{
    test_child child;
    const pid_t pid = child.pid();
    ASSERT_GE(pid, 0);
    if (pid == 0)
        _exit(0);
    // Unreaped, it is a zombie without an argument vector: its name stands in.
    siginfo_t si{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(pid), &si, WEXITED | WNOWAIT), 0);
    proc_rec r{};
    ASSERT_TRUE(plat_proc(pid, r));
    EXPECT_EQ(r.state, 'Z');
    char raw[16];
    EXPECT_EQ(plat_cmdline(pid, raw, sizeof raw), 0);
    EXPECT_STREQ(get_cmdline(pid), "platform_tests");

    ASSERT_NE(child.reap(), -1);
    EXPECT_FALSE(plat_proc(pid, r));
    EXPECT_EQ(get_ppid(pid), -1);
    EXPECT_STREQ(get_name(pid), "can't access");
    EXPECT_STREQ(get_cmdline(pid), "-");
    w_line line;
    EXPECT_STREQ(get_w(pid, line), "-");
    EXPECT_EQ(proc_pid_uid(pid), -1);
}

// A signal goes only to the process that started when the record said.
TEST_F(LiveHost, SignalOnlyToTheProcessThatStartedThen)
{
    test_child guard;
    const pid_t child = guard.pid();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pause();
        _exit(0);
    }
    proc_rec r{};
    ASSERT_TRUE(plat_proc(child, r));
    EXPECT_FALSE(plat_send_signal(child, r.start_id + 1, SIGTERM)) << "a newer process under the same pid";
    siginfo_t si{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child), &si, WEXITED | WNOHANG | WNOWAIT), 0);
    EXPECT_EQ(si.si_pid, 0) << "nothing reached the child";

    EXPECT_TRUE(plat_send_signal(child, r.start_id, SIGTERM));
    int status = guard.reap();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_FALSE(plat_send_signal(child, r.start_id, SIGTERM)) << "gone";
}

TEST_F(LiveHost, TableHoldsUsAndOurChild)
{
    cat_child c({}, false);
    ASSERT_GT(c.pid, 0);
    proc_rec *recs = nullptr;
    int n = get_all_info(&recs);
    ASSERT_NE(recs, nullptr);
    int found = 0;
    for (int i = 0; i < n; ++i) {
        if (recs[i].pid == getpid() && recs[i].ppid == getppid())
            ++found;
        if (recs[i].pid == c.pid && recs[i].ppid == getpid())
            ++found;
    }
    std::free(recs);
    EXPECT_EQ(found, 2);
}

TEST_F(LiveHost, LoadAverages)
{
    double l[3] = {-1, -1, -1};
    ASSERT_EQ(proc_getloadavg(l, 3), 3);
    for (double v : l)
        EXPECT_GE(v, 0.0);
}

// The proc root pointed elsewhere, as the backend's tests do.
class ProcRoot : public ::testing::Test {
protected:
    std::string saved = plat_root.proc;
    std::string dir;

    void SetUp() override
    {
        char tmpl[] = "/tmp/vigil-proc-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override
    {
        plat_root.proc = saved;
        std::string rm = "rm -rf " + dir;
        EXPECT_EQ(std::system(rm.c_str()), 0);
    }
};

TEST_F(ProcRoot, FixtureTree)
{
    std::ofstream(dir + "/loadavg") << "0.50 1.00 12.25 2/345 6789\n";
    plat_root.proc = dir;
    EXPECT_EQ(kvm_init(), 1);
    double l[3] = {};
    ASSERT_EQ(proc_getloadavg(l, 3), 3);
    EXPECT_DOUBLE_EQ(l[0], 0.5);
    EXPECT_DOUBLE_EQ(l[1], 1.0);
    EXPECT_DOUBLE_EQ(l[2], 12.25);
    EXPECT_EQ(get_ppid(getpid()), -1) << "our process is not in the fixture";

    plat_root.proc = dir + "/missing";
    EXPECT_EQ(kvm_init(), 0);
    EXPECT_EQ(proc_getloadavg(l, 3), -1);
    proc_rec *recs = nullptr;
    EXPECT_EQ(get_all_info(&recs), 0);
    std::free(recs);
}

} // namespace
