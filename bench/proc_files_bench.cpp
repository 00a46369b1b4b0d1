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

#include "platform/platform.h"

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

void proc_files(benchmark::State &state)
{
    static std::map<int, holder> holders;
    const int count = static_cast<int>(state.range(0));
    holder &h = holders.try_emplace(count, count).first->second;
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

}  // namespace
