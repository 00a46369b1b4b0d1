#include <algorithm>
#include <cstdlib>

#include "platform/platform.h"

int plat_loadavg(double *loads, int n)
{
    return getloadavg(loads, std::clamp(n, 0, 3));
}
