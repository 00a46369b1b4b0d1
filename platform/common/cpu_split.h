// The per-processor time counters as the kernel hands them out: one flat
// array, five counters per processor.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/platform.h"

// The first ncpu processors' counters of flat, which holds count numbers.
// False (and out empty) when ncpu is not positive or flat is too short.
bool split_cpu_counters(const long *flat, std::size_t count, int ncpu, std::vector<plat_cpu_counters> &out);
