#include "platform/common/cpu_split.h"

#include <algorithm>

namespace {

constexpr std::size_t per_cpu = std::tuple_size_v<plat_cpu_counters>;

} // namespace

std::size_t cpu_counter_count(int maxid)
{
    return maxid < 0 ? 0 : (static_cast<std::size_t>(maxid) + 1) * per_cpu;
}

bool split_cpu_counters(const long *flat, std::size_t count, int ncpu, std::vector<plat_cpu_counters> &out)
{
    out.clear();
    if (ncpu <= 0)
        return false;
    for (std::size_t at = 0; at + per_cpu <= count && out.size() < static_cast<std::size_t>(ncpu); at += per_cpu) {
        const long *slot = flat + at;
        if (std::all_of(slot, slot + per_cpu, [](long v) { return v == 0; }))
            continue;
        plat_cpu_counters c;
        std::copy_n(slot, per_cpu, c.begin());
        out.push_back(c);
    }
    if (out.size() < static_cast<std::size_t>(ncpu)) {
        out.clear();
        return false;
    }
    return true;
}
