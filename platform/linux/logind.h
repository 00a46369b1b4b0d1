// The sessions of systemd-logind: the login source of hosts that keep no
// login file (openSUSE since 2023, and others since).
#pragma once

#include <vector>

#include "platform/platform.h"

// The sessions that are logins, as plat_logins hands them out; false when
// the host has no such source (logind is not running, or vigil was built
// without the library that reads it).
bool logind_logins(std::vector<plat_login> &out);
