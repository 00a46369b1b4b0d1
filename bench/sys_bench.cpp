// The cost of gathering the system report's facts on this host: all of
// them once, as every redraw of the report does, and each on its own; the
// device walk over /sys/devices, which the report is spared while no
// device event comes, fresh and kept.
//
// `sys_bench --calls N NAME` gathers NAME N times and exits, so that
// `strace -c -f` can count its system calls: the difference between N = 2
// and N = 1 is one call's, with the device list kept from the first.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/linux/devices.h"
#include "platform/platform.h"

namespace {

// Every fact of the report once; devices through gather, the kept list or
// a fresh walk.
void all_facts(bool fresh_walk)
{
    std::int64_t boot = 0;
    benchmark::DoNotOptimize(plat_boot_time(boot));
    plat_cpu_counters total{};
    benchmark::DoNotOptimize(plat_cpu_total(total));
    int n = plat_cpu_count();
    std::vector<plat_cpu_counters> each;
    benchmark::DoNotOptimize(plat_cpu_each(n, each));
    plat_mem mem;
    plat_mem_info(mem);
    std::uint32_t swap_total = 0, swap_used = 0;
    benchmark::DoNotOptimize(plat_swap_info(swap_total, swap_used));
    benchmark::DoNotOptimize(plat_open_files());
    benchmark::DoNotOptimize(plat_used_inodes());
    benchmark::DoNotOptimize(plat_max_files());
    std::vector<plat_module> mods;
    benchmark::DoNotOptimize(plat_modules(mods));
    std::vector<plat_fstype> types;
    benchmark::DoNotOptimize(plat_fstypes(types));
    std::vector<plat_partition> parts;
    benchmark::DoNotOptimize(plat_partitions(parts));
    std::vector<plat_device> devs;
    benchmark::DoNotOptimize(fresh_walk ? walk_devices(plat_root.sys, devs) : plat_devices(devs));
    benchmark::ClobberMemory();
}

struct fact {
    const char *name;
    void (*gather)();
};

const fact facts[] = {
    {"all",
     [] {
         all_facts(false);
     }},
    {"all_fresh_walk",
     [] {
         all_facts(true);
     }},
    {"boot_time",
     [] {
         std::int64_t b;
         benchmark::DoNotOptimize(plat_boot_time(b));
     }},
    {"cpu_total",
     [] {
         plat_cpu_counters c;
         benchmark::DoNotOptimize(plat_cpu_total(c));
     }},
    {"cpu_count",
     [] {
         benchmark::DoNotOptimize(plat_cpu_count());
     }},
    {"cpu_each",
     [] {
         std::vector<plat_cpu_counters> v;
         benchmark::DoNotOptimize(plat_cpu_each(2, v));
     }},
    {"mem_info",
     [] {
         plat_mem m;
         plat_mem_info(m);
         benchmark::DoNotOptimize(m);
     }},
    {"swap_info",
     [] {
         std::uint32_t t, u;
         benchmark::DoNotOptimize(plat_swap_info(t, u));
     }},
    {"open_files",
     [] {
         benchmark::DoNotOptimize(plat_open_files());
     }},
    {"max_files",
     [] {
         benchmark::DoNotOptimize(plat_max_files());
     }},
    {"used_inodes",
     [] {
         benchmark::DoNotOptimize(plat_used_inodes());
     }},
    {"modules",
     [] {
         std::vector<plat_module> v;
         benchmark::DoNotOptimize(plat_modules(v));
     }},
    {"fstypes",
     [] {
         std::vector<plat_fstype> v;
         benchmark::DoNotOptimize(plat_fstypes(v));
     }},
    {"partitions",
     [] {
         std::vector<plat_partition> v;
         benchmark::DoNotOptimize(plat_partitions(v));
     }},
    {"devices_kept",
     [] {
         std::vector<plat_device> v;
         benchmark::DoNotOptimize(plat_devices(v));
     }},
    {"device_walk",
     [] {
         std::vector<plat_device> v;
         benchmark::DoNotOptimize(walk_devices(plat_root.sys, v));
     }},
};

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--calls") == 0) {
        for (const fact &f : facts)
            if (std::string_view(f.name) == argv[3]) {
                for (int i = std::atoi(argv[2]); i > 0; --i)
                    f.gather();
                return 0;
            }
        std::fprintf(stderr, "sys_bench: no fact %s\n", argv[3]);
        return 2;
    }
    for (const fact &f : facts)
        benchmark::RegisterBenchmark(f.name, [&f](benchmark::State &state) {
            for (auto _ : state)
                f.gather();
        })->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
