#include "platform/common/cpu_split.h"

#include <algorithm>

bool split_cpu_counters(const long *flat, std::size_t count, int ncpu, std::vector<plat_cpu_counters> &out)
{
    out.clear();
    constexpr std::size_t per_cpu = std::tuple_size_v<plat_cpu_counters>;
    if (ncpu <= 0 || count / per_cpu < static_cast<std::size_t>(ncpu))
        return false;
    out.resize(static_cast<std::size_t>(ncpu));
    for (std::size_t i = 0; i < out.size(); ++i)
        std::copy_n(flat + i * per_cpu, per_cpu, out[i].begin());
    return true;
}
