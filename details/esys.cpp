// The system report.
#include <ctime>

#include "details/details.h"
#include "platform/platform.h"

namespace {

bool boot_known = false;
std::int64_t boot_secs = 0;

}  // namespace

// Asked of the system until it answers once; the boot time does not change.
long sys_boot_time()
{
    if (!boot_known && plat_boot_time(boot_secs))
        boot_known = true;
    return boot_known ? static_cast<long>(boot_secs) : -1;
}

void esys(void *)
{
    plgn_out_start();
    title("BOOT TIME: ");
    long t = sys_boot_time();
    if (t == -1) {
        println("Information unavailable.\n");
    } else {
        std::time_t when = t;
        print("%s", std::ctime(&when));
    }
}
