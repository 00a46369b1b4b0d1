#include <sys/resource.h>
#include <vector>

#include "platform/common/cpu_split.h"
#include "platform/freebsd/sysctl_value.h"
#include "platform/platform.h"

static_assert(CPUSTATES == std::tuple_size_v<plat_cpu_counters> && CP_USER == 0 && CP_NICE == 1 && CP_SYS == 2 &&
                  CP_INTR == 3 && CP_IDLE == 4,
              "the kernel's processor counters are not in platform.h's order");

bool plat_cpu_total(plat_cpu_counters &out)
{
    return sysctl_value("kern.cp_time", out);
}

int plat_cpu_count()
{
    int n = 0;
    return sysctl_value("hw.ncpu", n) && n > 0 ? n : -1;
}

// The kernel answers for every processor id up to kern.smp.maxid, present
// or not, which is more than hw.ncpu (the processors present) when the ids
// have gaps; room for hw.ncpu alone would make such an answer fail.
bool plat_cpu_each(int ncpu, std::vector<plat_cpu_counters> &out)
{
    out.clear();
    int maxid = -1;
    if (ncpu <= 0 || !sysctl_value("kern.smp.maxid", maxid))
        return false;
    std::vector<long> flat(cpu_counter_count(maxid));
    std::size_t len = flat.size() * sizeof(long);
    if (flat.empty() || sysctlbyname("kern.cp_times", flat.data(), &len, nullptr, 0) != 0)
        return false;
    return split_cpu_counters(flat.data(), len / sizeof(long), ncpu, out);
}
