// The walk behind plat_devices, without the cache that spares it, for the
// backend's tests and benchmark.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

// Walks <sys_root>/devices afresh into out; false when the root cannot be
// read.
bool walk_devices(const std::string &sys_root, std::vector<plat_device> &out);
