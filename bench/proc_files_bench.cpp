// The cost of the process report, which runs after every key while it is
// open, for a process with 10 descriptors and for one with 5,000, and of
// reading a descriptor list whole. Every descriptor is a regular file, the
// dearest kind: its link is read and its file stat'ed to tell a named pipe
// from it. The report reads only the descriptors whose rows it can show:
// with 5,000 of them it should stay under 2 ms a key.
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "core/layout.h"
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
    plat_files files;
    for (auto _ : state) {
        if (!plat_proc_files(h.pid, 0, SIZE_MAX, files))
            state.SkipWithError("the list could not be read");
        benchmark::DoNotOptimize(files.fds.data());
    }
    double entries = static_cast<double>(files.used.size() + files.fds.size());
    state.counters["entries"] = entries;
    state.counters["per_entry"] =
        benchmark::Counter(entries, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(proc_files)->Arg(10)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The whole process report as the open window redraws it after every key:
// every section read and laid out, the rows in view written to a window of
// 14 rows on a curses screen drawn to /dev/null, the view from the row the
// second argument gives: the report's top, the middle of the descriptors
// (where the most must be listed to find them) and, pulled back from far
// past the end as "z" held down leaves it, the last page. The resident size
// after it shows what a report of 5,000 descriptors keeps in memory.
void process_report(benchmark::State &state)
{
    holder &h = holding(static_cast<int>(state.range(0)));
    if (h.pid <= 0) {
        state.SkipWithError("could not start a process holding the descriptors");
        return;
    }
    test_screen_init(24, 80);
    widget *w = make_widget(widget_layout(24, 80)[EXTI_W]);
    exti_reg(w);
    int pid = h.pid;
    w->first_row = static_cast<std::uint32_t>(state.range(1));
    eproc(&pid);
    scr_output_end(w);
    for (auto _ : state) {
        scr_werase(w);
        eproc(&pid);
    }
    state.counters["rows"] = w->last_line + 1;
    state.counters["first_row"] = w->first_row;
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["max_rss_kib"] = static_cast<double>(ru.ru_maxrss);
}
BENCHMARK(process_report)
    ->Args({10, 0})
    ->Args({5000, 0})
    ->Args({5000, 2500})
    ->Args({5000, 1 << 30})
    ->Unit(benchmark::kMicrosecond);

} // namespace
