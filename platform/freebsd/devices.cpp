#include <devinfo.h>
#include <new>

#include "platform/common/inventory.h"
#include "platform/platform.h"

static_assert(DS_ATTACHED == KDEV_ATTACHED, "device states are numbered differently from the shared logic's");

namespace {

// The snapshot is copied out whole, so it goes back to the library at once.
struct snapshot {
    ~snapshot() { devinfo_free(); }
};

struct walk {
    std::vector<plat_device> &out;
    bool failed = false;
};

// Each device, then its children: the library calls this from C, so
// nothing may leave it by an exception. Nonzero stops the walk.
int visit(devinfo_dev *dev, void *arg)
{
    walk &w = *static_cast<walk *>(arg);
    try {
        plat_device d;
        d.name = dev->dd_name ? dev->dd_name : "";
        d.has_driver = driver_named(dev->dd_drivername);
        d.driver = d.has_driver ? dev->dd_drivername : "";
        d.attached = device_attached(dev->dd_state);
        w.out.push_back(std::move(d));
    } catch (const std::bad_alloc &) {
        w.failed = true;
        return 1;
    }
    return devinfo_foreach_device_child(dev, visit, arg);
}

} // namespace

bool plat_devices(std::vector<plat_device> &out)
{
    out.clear();
    if (devinfo_init() != 0)
        return false;
    snapshot release;
    devinfo_dev *root = devinfo_handle_to_device(DEVINFO_ROOT_DEVICE);
    if (!root)
        return false;
    walk w{out};
    devinfo_foreach_device_child(root, visit, &w);
    return !w.failed;
}
