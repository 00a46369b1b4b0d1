// The process tree view from 1,000 to 100,000 scripted processes: opening
// the whole tree, a tick where 1% of the processes changed, and the keys a
// person presses in it (the bar, paging, search, the detail window), each
// with its repaint and screen update on a real curses screen (drawn to
// /dev/null). The processes come from the fake backend, so only vigil's
// own work is measured; the table read of a real host is in procs_bench.
// Each figure should grow with the number of processes at most in a
// straight line, the keys not at all.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/loop.h"
#include "kbd/kbd.h"
#include "tests/support/screen/views_fixture.h"

namespace {

constexpr int first_pid = 2;

// The parent of a pid in a tree like the peers' load tree: fanout 10 below
// process 1.
int parent_of(int pid)
{
    return pid < first_pid + 10 ? 1 : first_pid + (pid - first_pid) / 10 - 1;
}

fake_proc tnode(int pid, int ppid)
{
    std::string cmd = "tnode --depth 4 --fanout 10 --name node-" + std::to_string(pid);
    cmd.resize(65, 'x');
    return {.pid = pid, .ppid = ppid, .name = "tnode", .cmdline = fake_argv({cmd})};
}

// n processes, command lines of 65 characters. Returns the leaves: the
// processes without children, which the churn of a tick replaces.
std::vector<fake_proc> host(int n)
{
    fake_process({.pid = 1, .ppid = 0, .name = "init", .cmdline = fake_argv({"/sbin/init"})});
    std::vector<fake_proc> leaves;
    for (int pid = first_pid; pid < first_pid + n - 1; ++pid) {
        fake_process(tnode(pid, parent_of(pid)));
        if (10 * (pid - first_pid + 1) > n - 2)
            leaves.push_back(tnode(pid, parent_of(pid)));
    }
    return leaves;
}

// The whole tree shown at once: "t" on the user list, the sync that makes
// every line, the repaint and the screen update.
void open_tree(benchmark::State &state)
{
    auto n = static_cast<int>(state.range(0));
    bars_screen s(50, 200);
    host(n);
    for (auto _ : state) {
        s.keys({'t'});
        doupdate();
        state.PauseTiming();
        s.keys({KBD_ENTER});
        state.ResumeTiming();
    }
}
BENCHMARK(open_tree)->Arg(1000)->Arg(10000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One tick of the whole tree: every widget's periodic work (the tree's
// sync among it), the repaint of what is on screen, the screen update.
// Between two ticks 1% of the processes went, each replaced by a newcomer
// below the same parent, so the tree keeps its shape however long it runs.
void steady_tick(benchmark::State &state)
{
    auto n = static_cast<int>(state.range(0));
    bars_screen s(50, 200);
    std::vector<fake_proc> leaves = host(n);
    s.keys({'t'});
    int next = 1'000'000;
    std::size_t at = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < n / 100; ++i, ++next, at = (at + 1) % leaves.size()) {
            fake_process_gone(leaves[at].pid);
            leaves[at] = tnode(next, leaves[at].ppid);
            fake_process(leaves[at]);
        }
        state.ResumeTiming();
        s.tick();
        doupdate();
    }
    s.keys({KBD_ENTER});
}
BENCHMARK(steady_tick)->Arg(1000)->Arg(10000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Key presses on the whole tree with the bar half way down it: the key,
// the repaint it needs, the update. Each iteration presses a key and the
// one that undoes it: the time per key is half.
//   0 Down, Up    1 Page Down, Page Up    2 End, Home
//   3 a search key that matches no line ("q" typed into the search line,
//     then Backspace, which searches nothing), with the bar on the first
//     line, so that the search goes through every line
//   4 "d", which opens the detail window on the process under the bar,
//     and "d" again, which closes it
//   5 as 3, for a pattern that is no plain text ("q+" and then "z")
void key_pair(benchmark::State &state)
{
    auto n = static_cast<int>(state.range(0));
    bars_screen s(50, 200);
    host(n);
    s.keys({'t'});
    scr_crsr_jmp(s.ptree, n / 2);
    s.tick();
    const int pairs[][2] = {{KBD_DOWN, KBD_UP}, {KBD_PGDN, KBD_PGUP}, {KBD_END, KBD_HOME},
                            {'q', KBD_BS},      {'d', 'd'},           {'z', KBD_BS}};
    const int *keys = pairs[state.range(1)];
    bool find = state.range(1) == 3 || state.range(1) == 5;
    // The first search reads every line it has not read before.
    if (state.range(1) == 3)
        s.keys({KBD_HOME, '/', 'q', KBD_BS});
    if (state.range(1) == 5)
        s.keys({KBD_HOME, '/', 'q', '+'});
    for (auto _ : state)
        for (int i = 0; i < 2; ++i) {
            s.keys({keys[i]});
            doupdate();
        }
    state.SetItemsProcessed(2 * state.iterations());
    if (find)
        s.keys({KBD_ESC});
    s.keys({KBD_ENTER});
}
BENCHMARK(key_pair)
    ->ArgsProduct({{30000, 100000}, {0, 1, 2, 3, 4, 5}})
    ->ArgNames({"procs", "down_pgdn_end_find_d"})
    ->Unit(benchmark::kMicrosecond);

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
    s.keys({'t'});
    if (state.range(0))
        s.keys({'p'});
    s.tick();
    doupdate();
    for (auto _ : state)
        pass_refresh();
    if (state.range(0))
        s.keys({'p'});
    s.keys({KBD_ENTER});
}
BENCHMARK(refresh_pass)->Arg(0)->Arg(1)->ArgName("window")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
