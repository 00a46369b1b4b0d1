// The cost of reading one process's descriptor list, which the process
// report does after every key while it is open: for a process with 10
// descriptors and for one with 5,000. Every descriptor is a regular file,
// the dearest kind: its link is read and its file stat'ed to tell a named
// pipe from it.
#include <benchmark/benchmark.h>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "details/details.h"
#include "platform/platform.h"
#include "tests/support/screen/test_screen.h"

namespace {

// A child holding `count` descriptors, up to the first free one after them;
// killed and reaped at exit.
struct holder {
    pid_t pid = -1;
    holder(const holder &) = delete;
    holder &operator=(const holder &) = delete;
    explicit holder(int count)
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            close(ready[0]);
            rlimit lim{};
            getrlimit(RLIMIT_NOFILE, &lim);
            lim.rlim_cur = lim.rlim_max;
            setrlimit(RLIMIT_NOFILE, &lim);
            // Only the pipe to say we are ready, then the files.
            close_range(3, static_cast<unsigned>(ready[1]) - 1, 0);
            close_range(static_cast<unsigned>(ready[1]) + 1, ~0U, 0);
            for (int fd = 0; fd < 3; ++fd)
                close(fd);
            for (int i = 0; i < count; ++i)
                if (open("/proc/self/exe", O_RDONLY) < 0)
                    _exit(1);
            char ok = 1;
            if (write(ready[1], &ok, 1) != 1)
                _exit(1);
            close(ready[1]);
            for (;;)
                pause();
        }
        close(ready[1]);
        char ok = 0;
        if (pid < 0 || read(ready[0], &ok, 1) != 1)
            pid = -1;
        close(ready[0]);
    }
    ~holder()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

holder &holding(int count)
{
    static std::map<int, holder> holders;
    return holders.try_emplace(count, count).first->second;
}

void proc_files(benchmark::State &state)
{
    holder &h = holding(static_cast<int>(state.range(0)));
    if (h.pid <= 0) {
        state.SkipWithError("could not start a process holding the descriptors");
        return;
    }
    std::vector<plat_file> files;
    for (auto _ : state) {
        if (!plat_proc_files(h.pid, files))
            state.SkipWithError("the list could not be read");
        benchmark::DoNotOptimize(files.data());
    }
    state.counters["entries"] = static_cast<double>(files.size());
    state.counters["per_entry"] = benchmark::Counter(static_cast<double>(files.size()),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}
BENCHMARK(proc_files)->Arg(10)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The whole process report as the open window redraws it after every key:
// every section read and laid out, the rows in view written to a window of
// 14 rows on a curses screen drawn to /dev/null. The resident size after
// it shows what a report of 5,000 descriptors keeps in memory.
void process_report(benchmark::State &state)
{
    holder &h = holding(static_cast<int>(state.range(0)));
    if (h.pid <= 0) {
        state.SkipWithError("could not start a process holding the descriptors");
        return;
    }
    test_screen_init(24, 80);
    widget *w = scr_create(5, 15, 18, 64, 0, 128, "exti", 8);
    exti_reg(w);
    int pid = h.pid;
    for (auto _ : state) {
        scr_werase(w);
        eproc(&pid);
    }
    state.counters["rows"] = w->last_line + 1;
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["max_rss_kib"] = static_cast<double>(ru.ru_maxrss);
}
BENCHMARK(process_report)->Arg(10)->Arg(5000)->Unit(benchmark::kMicrosecond);

}  // namespace
