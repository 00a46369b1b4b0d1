#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utmpx.h>
#include <vector>

#include "platform/platform.h"
#include "tests/support/child/test_child.h"

namespace {

// One record of every kind a Linux utmp file holds, in utmpdump's text,
// a record a row.
// clang-format off
const char *every_kind =
    "[2] [00000] [~~  ] [reboot  ] [~           ] [6.1.0-18-amd64      ] [0.0.0.0        ] [2024-01-01T00:00:00,000000+00:00]\n"
    "[1] [00053] [~~  ] [runlevel] [~           ] [6.1.0-18-amd64      ] [0.0.0.0        ] [2024-01-01T00:00:01,000000+00:00]\n"
    "[5] [00612] [si  ] [        ] [            ] [                    ] [0.0.0.0        ] [2024-01-01T00:00:02,000000+00:00]\n"
    "[6] [00700] [tty1] [LOGIN   ] [tty1        ] [                    ] [0.0.0.0        ] [2024-01-01T00:00:03,000000+00:00]\n"
    "[7] [01234] [ts/0] [alice   ] [pts/0       ] [example.org         ] [0.0.0.0        ] [2024-01-01T00:00:04,000000+00:00]\n"
    "[8] [01300] [ts/1] [bob     ] [pts/1       ] [                    ] [0.0.0.0        ] [2024-01-01T00:00:05,000000+00:00]\n"
    "[7] [01400] [tty2] [carol   ] [tty2        ] [                    ] [0.0.0.0        ] [2024-01-01T00:00:06,000000+00:00]\n";
// clang-format on

std::vector<plat_login> read_all(bool *ok = nullptr)
{
    std::vector<plat_login> v;
    bool read = plat_logins(v);
    if (ok)
        *ok = read;
    return v;
}

std::string show(const std::vector<plat_login> &v)
{
    std::string s;
    for (const plat_login &e : v)
        s += "[" + e.user + "|" + e.line + "|" + e.host + "|" + std::to_string(e.pid) + "]";
    return s;
}

class LoginFile : public ::testing::Test {
protected:
    std::string saved = plat_root.utmp;
    std::string path;

    void SetUp() override
    {
        char tmpl[] = "/tmp/vigil-utmp-XXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        path = tmpl;
        plat_root.utmp = path;
    }
    void TearDown() override
    {
        plat_root.utmp = saved;
        unlink(path.c_str());
    }

    // Writes the records of a utmpdump text into the file; false when the
    // tool is missing or refuses.
    bool undump(const char *text)
    {
        std::string cmd = "utmpdump -r -o '" + path + "' 2>/dev/null";
        FILE *p = popen(cmd.c_str(), "w");
        if (!p)
            return false;
        std::fputs(text, p);
        return pclose(p) == 0;
    }
    std::string bytes()
    {
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
    void write(const std::string &b) { std::ofstream(path, std::ios::binary | std::ios::trunc) << b; }
};

TEST_F(LoginFile, OnlyLiveLoginsAreSessions)
{
    if (!undump(every_kind))
        GTEST_SKIP() << "utmpdump (util-linux) is needed to write a login file";
    EXPECT_EQ(show(read_all()), "[alice|pts/0|example.org|1234][carol|tty2||1400]");
}

TEST_F(LoginFile, DamagedFiles)
{
    if (!undump(every_kind))
        GTEST_SKIP() << "utmpdump (util-linux) is needed to write a login file";
    const std::string good = bytes();
    const std::size_t rec = sizeof(utmpx);
    ASSERT_EQ(good.size(), 7 * rec);

    struct {
        const char *what;
        std::string content;
        const char *want;
    } const cases[] = {
        {"cut in the middle of the sixth record", good.substr(0, 5 * rec + rec / 2), "[alice|pts/0|example.org|1234]"},
        {"empty", "", ""},
        {"garbage", std::string(3 * rec, '\xa5'), ""},
        {"text", std::string(3 * rec, 'x'), ""},
    };
    for (const auto &c : cases) {
        write(c.content);
        bool ok = false;
        EXPECT_EQ(show(read_all(&ok)), c.want) << c.what;
        EXPECT_TRUE(ok) << c.what << ": a file that reads is no failure";
    }
}

// Without the file, logins come from logind's sessions; a host with
// neither has no login source, and that is a failed read, not an empty one.
// The host's own logind directory is hidden in a mount namespace of a
// child's.
TEST_F(LoginFile, MissingWhereLogindKeepsNothing)
{
    unlink(path.c_str());
    test_child child;
    ASSERT_GE(child.pid(), 0);
    if (child.pid() == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            _exit(2);
        if (access("/run/systemd", F_OK) == 0 && mount("tmpfs", "/run/systemd", "tmpfs", 0, nullptr) != 0)
            _exit(2);
        std::vector<plat_login> v;
        _exit(plat_logins(v) || !v.empty() ? 1 : 0);
    }
    int status = child.reap();
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "cannot make a private mount namespace to hide logind's directory in";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "no file and no logind: a failed read";
}

// Another program holding the file's write lock does not make the read
// wait: the lock is never asked for.
TEST_F(LoginFile, HeldLockDoesNotWait)
{
    if (!undump(every_kind))
        GTEST_SKIP() << "utmpdump (util-linux) is needed to write a login file";
    int fd = open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct flock lk {};
    lk.l_type = F_WRLCK;
    lk.l_whence = SEEK_SET;
    test_child holder;
    ASSERT_GE(holder.pid(), 0);
    if (holder.pid() == 0) {
        fcntl(fd, F_SETLKW, &lk);
        pause();
        _exit(0);
    }
    // Until the child holds it, a lock of our own would be granted.
    struct flock probe = lk;
    for (int i = 0; i < 500; ++i) {
        probe = lk;
        fcntl(fd, F_GETLK, &probe);
        if (probe.l_type != F_UNLCK)
            break;
        usleep(2000);
    }
    ASSERT_NE(probe.l_type, F_UNLCK);
    bool ok = false;
    EXPECT_EQ(show(read_all(&ok)), "[alice|pts/0|example.org|1234][carol|tty2||1400]");
    EXPECT_TRUE(ok);
    close(fd);
}

TEST_F(LoginFile, FieldsFilledToTheirWidth)
{
    utmpx u;
    std::memset(&u, 0, sizeof u);
    u.ut_type = USER_PROCESS;
    u.ut_pid = 77;
    std::memset(u.ut_user, 'u', sizeof u.ut_user);
    std::memset(u.ut_line, 'l', sizeof u.ut_line);
    std::memset(u.ut_host, 'h', sizeof u.ut_host);
    write(std::string(reinterpret_cast<const char *>(&u), sizeof u));
    std::vector<plat_login> v = read_all();
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].user, std::string(sizeof u.ut_user, 'u'));
    EXPECT_EQ(v[0].line, std::string(sizeof u.ut_line, 'l'));
    EXPECT_EQ(v[0].host, std::string(sizeof u.ut_host, 'h'));
    EXPECT_EQ(v[0].pid, 77);
}

} // namespace
