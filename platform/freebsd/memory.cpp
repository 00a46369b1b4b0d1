#include "platform/common/mem_available.h"
#include "platform/freebsd/kvm_ptr.h"
#include "platform/freebsd/sysctl_value.h"
#include "platform/platform.h"

void plat_mem_info(plat_mem &out)
{
    out = plat_mem{};
    sysctl_value("hw.pagesize", out.page_size);
    sysctl_value("vm.stats.vm.v_free_count", out.free);
    sysctl_value("vm.stats.vm.v_active_count", out.active);
    sysctl_value("vm.stats.vm.v_inactive_count", out.inactive);
    sysctl_value("vm.stats.vm.v_laundry_count", out.laundry);
    sysctl_value("vm.stats.vm.v_wire_count", out.wired);
    sysctl_value("vfs.bufspace", out.bufspace);
    sysctl_value("vm.swap_total", out.swap_total);
    sysctl_value("hw.realmem", out.realmem);
    sysctl_value("hw.physmem", out.physmem);
    out.available = mem_available(out);
}

// With room for one entry the library puts the totals over all swap
// devices in it.
bool plat_swap_info(std::uint32_t &total, std::uint32_t &used)
{
    kvm_t *kd = live_kvm();
    if (!kd)
        return false;
    kvm_swap sw{};
    if (kvm_getswapinfo(kd, &sw, 1, 0) < 0)
        return false;
    total = sw.ksw_total;
    used = sw.ksw_used;
    return true;
}
