// The per-processor time counters as the kernel hands them out: one flat
// array, five counters for every processor id up to the highest, with
// zeros in the slots of ids no processor has.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/platform.h"

// The number of counters the kernel hands out when the highest processor id
// is maxid; 0 when maxid is negative.
std::size_t cpu_counter_count(int maxid);

// The counters of the first ncpu processors present in flat, which holds
// count numbers, in the order of their ids. A slot of all zeros is an id
// without a processor: a present one has counted at least its idle time
// since boot. False (and out empty) when ncpu is not positive or fewer
// processors are present.
bool split_cpu_counters(const long *flat, std::size_t count, int ncpu, std::vector<plat_cpu_counters> &out);
