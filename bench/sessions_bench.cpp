// The session list at 40,000 login records, on the fake backend so that
// only the list's own work is measured: the first screen (the whole read,
// the first tick's repaint and screen update) and a steady tick where 1%
// of the logins ended and as many began.
#include <benchmark/benchmark.h>

#include <string>

#include "tests/support/screen/views_fixture.h"

namespace {

constexpr int records = 40000;

void login(int n)
{
    fake_process({.pid = 100000 + n, .ppid = 50, .name = "sshd"});
    fake_login("user" + std::to_string(n % 1000), "pts/" + std::to_string(n), "192.0.2.1", 100000 + n);
}

void first_screen(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        {
            bars_screen s(50, 200);
            fake_process({.pid = 50, .ppid = 1, .name = "sshd"});
            for (int n = 0; n < records; ++n)
                login(n);
            state.ResumeTiming();
            users_init();
            s.tick();
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.counters["sessions"] = records;
}
BENCHMARK(first_screen)->Unit(benchmark::kMillisecond)->Iterations(3);

void steady_tick(benchmark::State &state)
{
    bars_screen s(50, 200);
    fake_process({.pid = 50, .ppid = 1, .name = "sshd"});
    for (int n = 0; n < records; ++n)
        login(n);
    users_init();
    s.tick();
    int next = records;
    for (auto _ : state) {
        state.PauseTiming();
        fake_logins_clear();
        for (int n = next - records + records / 100; n < next + records / 100; ++n)
            login(n);
        next += records / 100;
        state.ResumeTiming();
        s.tick();
    }
    state.counters["sessions"] = nusers;
}
BENCHMARK(steady_tick)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
