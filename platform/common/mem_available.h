// The memory FreeBSD could hand out without swapping, from its page
// queues: the kernel keeps no such figure of its own.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// In pages: the buffer space and the free, inactive and laundry queues of
// m. A page size of 0 counts the buffer space in bytes, as the report
// counts every row then.
std::uint64_t mem_available(const plat_mem &m);
