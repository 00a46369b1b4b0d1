// The user list's tick on a real host: 100 logins laid out as sshd lays
// them out (the recorded process without a terminal, its child, the shell
// holding a pseudo-terminal of its own with a command in the foreground)
// among 10,000 other processes, read through the Linux backend from a
// login file of the benchmark's own. A tick re-reads the login file, checks
// every login still lives and draws the rows in view, each with what runs
// in the foreground of its line.
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmpx.h>
#include <vector>

#include "core/widget.h"
#include "procs/procs.h"
#include "tests/support/screen/test_screen.h"
#include "users/ulist.h"
#include "users/users.h"

namespace {

constexpr int logins = 100;
constexpr int other_processes = 10000;

[[noreturn]] void sleep_for_ever()
{
    for (;;)
        pause();
}

pid_t start(void (*body)())
{
    pid_t pid = fork();
    if (pid == 0) {
        // Gone with its parent, even if the benchmark dies first.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        body();
        sleep_for_ever();
    }
    return pid;
}

// The shell: a session on a new terminal, with one command in its
// foreground.
std::string line_name;
void shell()
{
    setsid();
    int tty = open(line_name.c_str(), O_RDWR);
    if (tty < 0 || ioctl(tty, TIOCSCTTY, 0) != 0)
        _exit(1);
    pid_t fg = start([] { setpgid(0, 0); });
    setpgid(fg, fg);
    signal(SIGTTOU, SIG_IGN);
    tcsetpgrp(tty, fg);
}

// sshd's monitor and the session's process above the shell.
void session()
{
    start(shell);
}
void monitor()
{
    setsid();
    start(session);
}

struct host {
    std::vector<pid_t> kids;
    std::vector<int> masters;
    std::string utmp = "/tmp/vigil-users-bench.utmp";

    host()
    {
        std::ofstream out(utmp, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < logins; ++i) {
            int master = posix_openpt(O_RDWR | O_NOCTTY);
            grantpt(master);
            unlockpt(master);
            masters.push_back(master);
            line_name = ptsname(master);
            utmpx u{};
            u.ut_type = USER_PROCESS;
            u.ut_pid = start(monitor);
            kids.push_back(u.ut_pid);
            std::strncpy(u.ut_user, ("user" + std::to_string(i)).c_str(), sizeof u.ut_user);
            std::strncpy(u.ut_line, line_name.c_str() + 5, sizeof u.ut_line);
            std::strncpy(u.ut_host, "192.0.2.1", sizeof u.ut_host);
            out.write(reinterpret_cast<const char *>(&u), sizeof u);
        }
        for (int i = 0; i < other_processes; ++i)
            kids.push_back(start([] {}));
        plat_root.utmp = utmp;
        // Until every shell has its command in the foreground.
        usleep(500000);
    }
    ~host()
    {
        for (pid_t pid : kids)
            kill(pid, SIGKILL);
        for (pid_t pid : kids)
            waitpid(pid, nullptr, 0);
        for (int fd : masters)
            close(fd);
        std::remove(utmp.c_str());
    }
};

// The list on a terminal of `rows` rows; 24 rows show 20 logins, 110 all.
void user_list_tick(benchmark::State &state)
{
    auto rows = static_cast<int>(state.range(0));
    test_screen_init(rows, 100);
    widget *w = scr_create(3, 0, static_cast<std::uint32_t>(rows - 2), 99, 0, 99, "ulist", 3);
    w->crsr = 0;
    ulist_reg(w);
    ulist_periodic(w);
    uredraw(w);
    // The foreground commands are forks of this program: its name shows.
    int shown = 0;
    for (int r = 0; r < rows - 4; ++r)
        shown += pad_text(w->pad, r).find("users_bench") != std::string::npos;
    for (auto _ : state) {
        ulist_periodic(w);
        uredraw(w);
    }
    state.counters["sessions"] = nusers;
    state.counters["rows_with_foreground"] = shown;
}
BENCHMARK(user_list_tick)->Arg(24)->Arg(110)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    can_use_kvm = kvm_init();
    host h;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return nusers == logins ? 0 : 1;
}
