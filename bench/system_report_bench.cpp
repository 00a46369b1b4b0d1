// The cost of one system report, which the open window redraws on every
// tick: every section read from this host and laid out, the rows in view
// written to a window of 14 rows on a curses screen drawn to /dev/null.
// The device list is the one the backend keeps until the next device
// event, as every report but the first after such an event finds it;
// sys_bench's device_walk is what that first one pays on top.
//
// To count its system calls, run it twice under `strace -f -c` with
// --benchmark_filter=system_report and two --benchmark_min_time values:
// the difference of the counts over the difference of the iterations is
// one report's.
#include <benchmark/benchmark.h>

#include "core/layout.h"
#include "details/details.h"
#include "tests/support/screen/test_screen.h"

namespace {

void system_report(benchmark::State &state)
{
    test_screen_init(24, 80);
    widget *w = make_widget(widget_layout(24, 80)[EXTI_W]);
    exti_reg(w);
    for (auto _ : state) {
        scr_werase(w);
        esys(nullptr);
    }
    state.counters["rows"] = w->last_line + 1;
}
BENCHMARK(system_report)->Unit(benchmark::kMicrosecond);

} // namespace
