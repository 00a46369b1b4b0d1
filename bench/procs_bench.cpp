// The cost of the process queries a tick makes: one table read, and one
// command line per line drawn, on a host with at least 1,000 processes more
// than it had.
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "procs/procs.h"

namespace {

constexpr int extra_processes = 1000;

// Per-process time: the iteration's time divided by the processes it read.
benchmark::Counter per_process(double processes)
{
    return benchmark::Counter(processes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void table_read(benchmark::State &state)
{
    int n = 0;
    for (auto _ : state) {
        proc_rec *recs = nullptr;
        n = get_all_info(&recs);
        benchmark::DoNotOptimize(recs);
        std::free(recs);
    }
    state.counters["processes"] = n;
    state.counters["per_process"] = per_process(n);
}
BENCHMARK(table_read)->Unit(benchmark::kMillisecond);

void cmdline_of_every_process(benchmark::State &state)
{
    proc_rec *recs = nullptr;
    int n = get_all_info(&recs);
    std::vector<int> pids;
    for (int i = 0; i < n; ++i)
        pids.push_back(recs[i].pid);
    std::free(recs);
    for (auto _ : state)
        for (int pid : pids)
            benchmark::DoNotOptimize(get_cmdline(pid));
    state.counters["processes"] = static_cast<double>(pids.size());
    state.counters["per_process"] = per_process(static_cast<double>(pids.size()));
}
BENCHMARK(cmdline_of_every_process)->Unit(benchmark::kMillisecond);

std::vector<pid_t> start_sleepers()
{
    std::vector<pid_t> kids;
    for (int i = 0; i < extra_processes; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            // Gone with us, even if we die before the clean-up.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            for (;;)
                pause();
        }
        if (pid < 0) {
            std::perror("fork");
            break;
        }
        kids.push_back(pid);
    }
    return kids;
}

void stop_sleepers(const std::vector<pid_t> &kids)
{
    for (pid_t pid : kids)
        kill(pid, SIGKILL);
    for (pid_t pid : kids)
        waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    can_use_kvm = kvm_init();
    std::vector<pid_t> kids = start_sleepers();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    stop_sleepers(kids);
    return kids.size() == extra_processes ? 0 : 1;
}
