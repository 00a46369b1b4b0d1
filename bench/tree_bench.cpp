// The process tree view at 1,000 and 10,000 scripted processes: the first
// sync, a tick where 1% of the processes changed, and a key press with its
// repaint and screen update on a real curses screen (drawn to /dev/null).
// The processes come from the fake backend, so only vigil's own work is
// measured; the table read of a real host is in procs_bench.
#include <benchmark/benchmark.h>

#include <string>

#include "kbd/kbd.h"
#include "tests/support/screen/views_fixture.h"

namespace {

// A tree like the peers' load tree: fanout 10 below process 1, command
// lines of 65 characters.
void host(int n, int first_pid = 2)
{
    fake_process({.pid = 1, .ppid = 0, .name = "init", .cmdline = fake_argv({"/sbin/init"})});
    for (int pid = first_pid; pid < first_pid + n - 1; ++pid) {
        std::string cmd = "tnode --depth 4 --fanout 10 --name node-" + std::to_string(pid);
        cmd.resize(65, 'x');
        fake_process({.pid = pid, .ppid = pid < first_pid + 10 ? 1 : first_pid + (pid - first_pid) / 10 - 1,
                      .name = "tnode", .cmdline = fake_argv({cmd})});
    }
}

void first_sync(benchmark::State &state)
{
    auto n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        bars_screen s(50, 200);
        host(n);
        state.ResumeTiming();
        ptree_keyh(s.ptree, 't');
        state.PauseTiming();
        ptree_keyh(s.ptree, KBD_ENTER);
        state.ResumeTiming();
    }
}
BENCHMARK(first_sync)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One tick of the whole tree: every widget's periodic work (the tree's
// sync among it), the repaint of what is on screen, the screen update.
void steady_tick(benchmark::State &state)
{
    auto n = static_cast<int>(state.range(0));
    bars_screen s(50, 200);
    host(n);
    ptree_keyh(s.ptree, 't');
    int next = 1'000'000;
    int gone = 2;
    for (auto _ : state) {
        state.PauseTiming();
        // 1% of the processes went and as many came.
        for (int i = 0; i < n / 100; ++i, ++next, ++gone) {
            fake_process_gone(gone);
            fake_process({.pid = next, .ppid = 1 + next % 50, .name = "new",
                          .cmdline = fake_argv({"new " + std::to_string(next)})});
        }
        state.ResumeTiming();
        s.tick();
        doupdate();
    }
    ptree_keyh(s.ptree, KBD_ENTER);
}
BENCHMARK(steady_tick)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Key presses on 10,000 lines: the key, the repaint it needs, the update.
// Each iteration presses a key and the one that undoes it (Down and Up,
// Page Down and Page Up, End and Home): the time per key is half.
void key_pair(benchmark::State &state)
{
    bars_screen s(50, 200);
    host(10000);
    ptree_keyh(s.ptree, 't');
    s.tick();
    const int pairs[][2] = {{KBD_DOWN, KBD_UP}, {KBD_PGDN, KBD_PGUP}, {KBD_END, KBD_HOME}};
    const int *keys = pairs[state.range(0)];
    for (auto _ : state)
        for (int i = 0; i < 2; ++i) {
            s.keys({keys[i]});
            doupdate();
        }
    state.SetItemsProcessed(2 * state.iterations());
    ptree_keyh(s.ptree, KBD_ENTER);
}
BENCHMARK(key_pair)->DenseRange(0, 2)->ArgName("down_pgdn_end")->Unit(benchmark::kMicrosecond);

// The refresh pass over a whole screen of double-width command lines, with
// the detail window closed (0) and open over them (1): what the copy pays
// to find the characters the window's edges would cut.
void refresh_pass(benchmark::State &state)
{
    bars_screen s(50, 200);
    fake_process({.pid = 1, .ppid = 0, .name = "init"});
    std::string wide;
    for (int i = 0; i < 100; ++i)
        wide += "\xe4\xb8\xad";
    for (int pid = 2; pid < 60; ++pid)
        fake_process({.pid = pid, .ppid = 1, .name = "w", .cmdline = fake_argv({pid % 2 ? "x" + wide : wide})});
    ptree_keyh(s.ptree, 't');
    if (state.range(0))
        s.keys({'p'});
    s.tick();
    doupdate();
    for (auto _ : state)
        pass_refresh();
    if (state.range(0))
        s.keys({'p'});
    ptree_keyh(s.ptree, KBD_ENTER);
}
BENCHMARK(refresh_pass)->Arg(0)->Arg(1)->ArgName("window")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
