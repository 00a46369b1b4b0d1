// The executable, directories and descriptors of live processes, as the
// process report reads them: children we pose with known files open.
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <string>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/platform.h"
#include "tests/support/child/test_child.h"

namespace {

// A child that runs setup, sends us the record setup filled, and waits to
// be looked at. It holds only what setup opens: whatever it inherits is
// closed first, so its descriptor table is exactly setup's. Killed and
// reaped on the way out; a child that fails its setup exits without a word.
template <typename Report> struct posed_child {
    pid_t pid = -1;
    Report report{};
    bool ready = false;

    template <typename Setup> explicit posed_child(Setup setup)
    {
        int p[2];
        if (pipe2(p, O_CLOEXEC) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            constexpr int out = 900;
            if (dup2(p[1], out) != out)
                _exit(1);
            close_range(0, out - 1, 0);
            close_range(out + 1, ~0U, 0);
            Report r{};
            if (!setup(r) || write(out, &r, sizeof r) != static_cast<ssize_t>(sizeof r))
                _exit(1);
            close(out);
            for (;;)
                pause();
        }
        close(p[1]);
        // The record, then the end of the pipe: the child has closed its end
        // and holds nothing more of ours.
        char extra;
        ready = pid > 0 && read(p[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report) &&
                read(p[0], &extra, 1) == 0;
        close(p[0]);
    }
    posed_child(const posed_child &) = delete;
    posed_child &operator=(const posed_child &) = delete;
    ~posed_child()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

std::string show(const plat_file &f)
{
    return std::to_string(f.fd) + " type " + std::to_string(f.type) + " flags " + std::to_string(f.uflags) + " [" +
           f.path + "]";
}

std::vector<std::string> show(const std::vector<plat_file> &files)
{
    std::vector<std::string> v;
    for (const plat_file &f : files)
        v.push_back(show(f));
    return v;
}

// The whole list, as one window over all of it: the entries that are not
// descriptors, then the descriptors. False when it cannot be read.
bool whole_list(int pid, std::vector<plat_file> &out)
{
    plat_files list;
    bool read = plat_proc_files(pid, 0, SIZE_MAX, list);
    out = list.used;
    out.insert(out.end(), list.fds.begin(), list.fds.end());
    EXPECT_EQ(list.fd_first, 0u);
    EXPECT_EQ(list.fd_count, list.fds.size());
    return read;
}

std::string own_exe()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : "";
}

class ProcFiles : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        if (access((plat_root.proc + "/self/fd").c_str(), R_OK) != 0)
            GTEST_SKIP() << "no process file system at " << plat_root.proc;
        char tmpl[] = "/tmp/vigil-files-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        char real[PATH_MAX];
        ASSERT_NE(realpath(tmpl, real), nullptr);
        dir = real;
    }
    void TearDown() override
    {
        if (!dir.empty()) {
            EXPECT_EQ(std::system(("rm -rf " + dir).c_str()), 0);
        }
    }
};

TEST_F(ProcFiles, ChildEntryByEntry)
{
    const std::string data = dir + "/data", fifo = dir + "/fifo", sub = dir + "/sub";
    ASSERT_EQ(close(open(data.c_str(), O_CREAT | O_WRONLY, 0600)), 0);
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    const bool have_fifo = mkfifo(fifo.c_str(), 0600) == 0;
    const std::string shm = "/dev/shm/vigil-files-" + std::to_string(getpid());
    int made = open(shm.c_str(), O_CREAT | O_RDWR, 0600);
    const bool have_shm = made >= 0;
    if (have_shm)
        close(made);

    struct fds {
        int null, data, pipe_r, pipe_w, sock, epoll, fifo, memfd, event, shm, dir, high;
        bool rooted;
    };
    posed_child<fds> c([&](fds &r) {
        r.null = open("/dev/null", O_RDONLY);
        const int gap = open("/dev/null", O_RDONLY);
        r.data = open(data.c_str(), O_RDWR);
        int pp[2];
        if (pipe(pp) != 0)
            return false;
        r.pipe_r = pp[0];
        r.pipe_w = pp[1];
        r.sock = socket(AF_UNIX, SOCK_STREAM, 0);
        r.epoll = epoll_create1(0);
        // Read and write, so that opening the named pipe does not wait for
        // the other end.
        r.fifo = have_fifo ? open(fifo.c_str(), O_RDWR) : -1;
        r.memfd = memfd_create("vigil-probe", 0);
        r.event = eventfd(0, 0);
        r.shm = have_shm ? open(shm.c_str(), O_RDWR) : -1;
        r.dir = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
        // A gap below the others and one far above them: the descriptors'
        // numbers are not their places.
        close(gap);
        r.high = dup2(r.null, 700);
        // Shut in the temporary directory where the system lets us, so that
        // the root and the working directory differ from ours and each other.
        r.rooted = chroot(dir.c_str()) == 0;
        return chdir(r.rooted ? "/sub" : sub.c_str()) == 0 && r.null >= 0 && r.data >= 0 && r.sock >= 0 &&
               r.epoll >= 0 && r.memfd >= 0 && r.event >= 0 && r.dir >= 0 && r.high == 700 &&
               (r.fifo >= 0) == have_fifo && (r.shm >= 0) == have_shm;
    });
    if (have_shm)
        unlink(shm.c_str());
    ASSERT_TRUE(c.ready) << "the child could not set itself up";
    const fds &r = c.report;

    std::vector<plat_file> want = {
        {-1, PF_VNODE, PF_TEXT, own_exe()},
        {-1, PF_VNODE, PF_CDIR, sub},
        {-1, PF_VNODE, PF_RDIR, r.rooted ? dir : "/"},
        {r.null, PF_VNODE, 0, "/dev/null"},
        {r.data, PF_VNODE, 0, data},
        {r.pipe_r, PF_PIPE, 0, ""},
        {r.pipe_w, PF_PIPE, 0, ""},
        {r.sock, PF_SOCKET, 0, ""},
        {r.epoll, PF_KQUEUE, 0, ""},
        {r.memfd, PF_SHM, 0, "/memfd:vigil-probe (deleted)"},
        {r.event, PF_OTHER, 0, ""},
        {r.dir, PF_VNODE, 0, dir},
        {r.high, PF_VNODE, 0, "/dev/null"},
    };
    if (have_fifo)
        want.push_back({r.fifo, PF_FIFO, 0, fifo});
    if (have_shm)
        want.push_back({r.shm, PF_SHM, 0, shm + " (deleted)"});
    std::sort(want.begin() + 3, want.end(), [](const plat_file &a, const plat_file &b) { return a.fd < b.fd; });

    std::vector<plat_file> got;
    ASSERT_TRUE(whole_list(c.pid, got));
    EXPECT_EQ(show(got), show(want));

    // A window of the list: every entry that is not a descriptor and the
    // number of descriptors, but only the window's descriptors read.
    const std::size_t fds = want.size() - 3;
    plat_files part;
    ASSERT_TRUE(plat_proc_files(c.pid, 5, 3, part));
    EXPECT_EQ(show(part.used), show(std::vector<plat_file>(want.begin(), want.begin() + 3)));
    EXPECT_EQ(part.fd_count, fds);
    EXPECT_EQ(part.fd_first, 2u);
    EXPECT_EQ(show(part.fds), show(std::vector<plat_file>(want.begin() + 5, want.begin() + 8)));
    // The last two, nearer the end than the start.
    ASSERT_TRUE(plat_proc_files(c.pid, want.size() - 2, 2, part));
    EXPECT_EQ(part.fd_count, fds);
    EXPECT_EQ(part.fd_first, fds - 2);
    EXPECT_EQ(show(part.fds), show(std::vector<plat_file>(want.end() - 2, want.end())));
    // No descriptor, and a window past the end: counted, none read.
    for (std::size_t first : {std::size_t{0}, want.size() + 10}) {
        ASSERT_TRUE(plat_proc_files(c.pid, first, first == 0 ? 0 : 4, part));
        EXPECT_EQ(part.used.size(), 3u);
        EXPECT_EQ(part.fd_count, fds);
        EXPECT_EQ(part.fd_first, first == 0 ? 0 : fds);
        EXPECT_TRUE(part.fds.empty());
    }
    std::string exe;
    ASSERT_TRUE(plat_proc_exe(c.pid, exe));
    EXPECT_EQ(exe, own_exe());

    if (!have_fifo || !have_shm)
        GTEST_SKIP() << "checked without " << (have_fifo ? "" : "a named pipe ") << (have_shm ? "" : "/dev/shm");
}

// A working directory and a file deeper than a path the kernel will write:
// both are listed, without a path, as the system lists what it cannot name.
TEST_F(ProcFiles, PathTooLongIsNameless)
{
    struct deep {
        int file;
    };
    posed_child<deep> c([&](deep &r) {
        if (chdir(dir.c_str()) != 0)
            return false;
        const std::string part(250, 'd');
        for (int i = 0; i < 20; ++i)
            if (mkdir(part.c_str(), 0700) != 0 || chdir(part.c_str()) != 0)
                return false;
        r.file = open("f", O_CREAT | O_RDWR, 0600);
        return r.file >= 0;
    });
    ASSERT_TRUE(c.ready) << "the child could not set itself up";
    std::vector<plat_file> got;
    ASSERT_TRUE(whole_list(c.pid, got));
    std::vector<plat_file> want = {
        {-1, PF_VNODE, PF_TEXT, own_exe()},
        {-1, PF_VNODE, PF_CDIR, ""},
        {-1, PF_VNODE, PF_RDIR, "/"},
        {c.report.file, PF_VNODE, 0, ""},
    };
    EXPECT_EQ(show(got), show(want));
}

TEST_F(ProcFiles, OwnExecutableZombieAndGoneProcess)
{
    std::string exe;
    ASSERT_TRUE(plat_proc_exe(getpid(), exe));
    // The same file the kernel runs us from, by identity rather than name.
    struct stat named, running;
    ASSERT_EQ(stat(exe.c_str(), &named), 0) << exe;
    ASSERT_EQ(stat("/proc/self/exe", &running), 0);
    EXPECT_EQ(named.st_ino, running.st_ino);
    EXPECT_EQ(named.st_dev, running.st_dev);
    EXPECT_TRUE(exe.ends_with("/platform_tests")) << exe;

    test_child child;
    const pid_t pid = child.pid();
    ASSERT_GE(pid, 0);
    if (pid == 0)
        _exit(0);
    // Exited but not reaped: an empty list, as it holds no file any more.
    // Then gone: nothing to read.
    siginfo_t si{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(pid), &si, WEXITED | WNOWAIT), 0);
    std::vector<plat_file> files = {{3, PF_VNODE, 0, "/stale"}};
    std::string path = "stale";
    EXPECT_TRUE(whole_list(pid, files)) << "zombie";
    EXPECT_TRUE(files.empty()) << "zombie";
    EXPECT_FALSE(plat_proc_exe(pid, path)) << "zombie";
    ASSERT_NE(child.reap(), -1);
    files = {{3, PF_VNODE, 0, "/stale"}};
    EXPECT_FALSE(whole_list(pid, files)) << "reaped";
    EXPECT_TRUE(files.empty()) << "reaped";
    EXPECT_FALSE(plat_proc_exe(pid, path)) << "reaped";
}

// A kernel thread has no executable and no descriptors, but it is alive:
// its two directories are listed.
TEST_F(ProcFiles, KernelThread)
{
    char comm[32] = {};
    FILE *f = std::fopen((plat_root.proc + "/2/comm").c_str(), "r");
    bool kthreadd = f && std::fgets(comm, sizeof comm, f) && std::string(comm) == "kthreadd\n";
    if (f)
        std::fclose(f);
    if (!kthreadd)
        GTEST_SKIP() << "process 2 is not the kernel's thread maker here";
    std::vector<plat_file> files;
    ASSERT_TRUE(whole_list(2, files));
    std::vector<plat_file> want = {{-1, PF_VNODE, PF_CDIR, "/"}, {-1, PF_VNODE, PF_RDIR, "/"}};
    EXPECT_EQ(show(files), show(want));
    std::string exe;
    EXPECT_FALSE(plat_proc_exe(2, exe));
}

// Someone else's process, as an ordinary user sees it: nothing of it.
TEST_F(ProcFiles, AnotherUsersProcessAsNonRoot)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    const passwd *nobody = getpwnam("nobody");
    const uid_t other = nobody ? nobody->pw_uid : 65534;
    const pid_t us = getpid();
    test_child child;
    const pid_t pid = child.pid();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (setgid(other) != 0 || setuid(other) != 0)
            _exit(2);
        std::string exe;
        plat_files list;
        list.fd_count = 1;
        bool none = !plat_proc_files(us, 0, SIZE_MAX, list) && list.used.empty() && list.fd_count == 0 &&
                    !plat_proc_exe(us, exe);
        // Our own process stays readable.
        bool own = plat_proc_files(getpid(), 0, SIZE_MAX, list) && list.fd_count > 0;
        _exit(none && own ? 0 : 1);
    }
    int status = child.reap();
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "could not become uid " << other;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a non-root child read our descriptors, or not its own";
}

TEST(PasswordByName, RootAndNobodyElse)
{
    plat_passwd pw;
    ASSERT_TRUE(plat_user_by_name("root", pw));
    EXPECT_EQ(pw.name, "root");
    EXPECT_EQ(pw.uid, 0u);
    EXPECT_EQ(pw.gid, 0u);
    const passwd *sys = getpwnam("root");
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(pw.dir, sys->pw_dir);
    EXPECT_EQ(pw.shell, sys->pw_shell);
    EXPECT_EQ(pw.gecos, sys->pw_gecos);

    plat_passwd none;
    EXPECT_FALSE(plat_user_by_name("vigil-no-such-user", none));
    EXPECT_FALSE(plat_user_by_name("", none));
    EXPECT_FALSE(plat_user_by_name(nullptr, none));
}

} // namespace
