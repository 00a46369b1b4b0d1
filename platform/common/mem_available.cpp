#include "platform/common/mem_available.h"

std::uint64_t mem_available(const plat_mem &m)
{
    std::uint64_t ps = m.page_size > 0 ? static_cast<std::uint64_t>(m.page_size) : 1;
    // The three counts are added as the kernel keeps them, in 32 bits.
    std::uint32_t reclaimable = m.inactive + m.free + m.laundry;
    return m.bufspace / ps + reclaimable;
}
