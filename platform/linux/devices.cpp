// The device tree from <sys>/devices, walked depth first: each device
// before its children, the children of one parent in name order (see
// name_order.h; the kernel lists a directory in an order of its own), the
// root itself not listed.
//
// A directory is a device when it holds a "uevent" file; others are groups
// of attributes or of devices ("power", "queue", "net", "block") that are
// walked through without being listed. A device's driver is the name its
// "driver" link points at; a device without one is listed all the same,
// with no driver and not attached, so that the report leaves it out while
// the walk still gives its children (a PCI bridge has no driver, the disks
// behind it do). Links are never followed: "driver", "subsystem",
// "firmware_node" and the like point back into the tree, and the walk
// would meet devices twice or go round for ever.
//
// The walk meets a thousand directories on a small machine, and the report
// asks for it on every tick while it is open. So it is done only when the
// tree may have changed: the kernel numbers every event it sends about a
// device (added, removed, driver bound or unbound) in
// <sys>/kernel/uevent_seqnum, and while that number stands the last walk's
// list is handed out again. Where the number cannot be read, every call
// walks. The number is read before the walk, so an event during the walk
// makes the next call walk again.
//
// The walk itself costs per directory one open, a listing by getdents (the
// kernel tells each entry's type there, so no stat; on sysfs one call
// mostly does, see dir_read.h), a close, and a readlink for a driver; the
// names of the directories still to visit stay in one buffer kept between
// walks. Every device's "power" directory is its power-management
// attributes, never a child device (the name is taken), and is not opened:
// that saves almost half the directories.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "platform/linux/devices.h"
#include "platform/linux/dir_read.h"
#include "platform/linux/name_order.h"
#include "platform/linux/sys_text.h"
#include "platform/platform.h"

namespace {

// The names of the subdirectories still to visit on every level being
// walked, each ended by '\0'; starts has the offset of each. A level adds
// its own at the end and takes them off again when it is done.
std::string names;
std::vector<std::size_t> starts;

// Far below any real tree; a deeper one is cut there rather than run out
// of stack or descriptors.
constexpr int max_depth = 64;

// The last walk, and the event number and root it was made at.
struct {
    bool valid = false;
    std::string root;
    std::uint64_t seqnum = 0;
    std::vector<plat_device> devices;
} last;
std::string seqnum_buf;

void list_device(int dir, const char *name, bool has_driver, std::vector<plat_device> &out)
{
    plat_device d;
    d.name = name;
    char link[4096];
    ssize_t n = has_driver ? readlinkat(dir, "driver", link, sizeof link) : -1;
    if (n > 0 && static_cast<std::size_t>(n) < sizeof link) {
        std::string_view target(link, static_cast<std::size_t>(n));
        d.driver = target.substr(target.rfind('/') + 1);
        d.has_driver = d.attached = !d.driver.empty();
    }
    out.push_back(std::move(d));
}

// Lists the directory open as dir, named by names[name_at], and walks its
// subdirectories. A subdirectory that cannot be opened or read (a device
// that went away meanwhile) is passed over. False when dir itself cannot
// be read.
bool walk(int dir, std::size_t name_at, int depth, bool sysfs, std::vector<plat_device> &out)
{
    const std::size_t names_base = names.size();
    const std::size_t starts_base = starts.size();
    bool device = false;
    bool has_driver = false;
    bool read = dir_each(
        dir,
        [&](std::string_view name, unsigned char type) {
            if (type == DT_DIR) {
                starts.push_back(names.size());
                names.append(name);
                names.push_back('\0');
            } else if (type == DT_REG && name == "uevent") {
                device = true;
            } else if (type == DT_LNK && name == "driver") {
                has_driver = true;
            }
        },
        sysfs);
    if (device && depth > 0)
        list_device(dir, names.c_str() + name_at, has_driver, out);
    std::sort(starts.begin() + static_cast<std::ptrdiff_t>(starts_base), starts.end(),
              [](std::size_t a, std::size_t b) { return name_before(names.c_str() + a, names.c_str() + b); });
    // names and starts grow below: index them afresh on every turn.
    for (std::size_t i = starts_base; i < starts.size() && depth + 1 < max_depth; ++i) {
        const char *child = names.c_str() + starts[i];
        if (device && std::strcmp(child, "power") == 0)
            continue;
        unique_fd sub(openat(dir, child, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (sub.fd >= 0)
            walk(sub.fd, starts[i], depth + 1, sysfs, out);
    }
    names.resize(names_base);
    starts.resize(starts_base);
    return read;
}

} // namespace

bool walk_devices(const std::string &sys_root, std::vector<plat_device> &out)
{
    out.clear();
    char path[4096];
    if (!root_path(path, sys_root, "devices"))
        return false;
    unique_fd root(open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.fd < 0)
        return false;
    names.clear();
    starts.clear();
    struct statfs st;
    bool sysfs = fstatfs(root.fd, &st) == 0 && st.f_type == SYSFS_MAGIC;
    return walk(root.fd, 0, 0, sysfs, out);
}

bool plat_devices(std::vector<plat_device> &out)
{
    std::string_view text;
    std::uint64_t seqnum = 0;
    bool numbered =
        read_text(plat_root.sys, "kernel/uevent_seqnum", seqnum_buf, text) && whole_num(next_word(text), seqnum);
    if (numbered && last.valid && last.seqnum == seqnum && last.root == plat_root.sys) {
        out = last.devices;
        return true;
    }
    last.valid = false;
    if (!walk_devices(plat_root.sys, out))
        return false;
    if (numbered) {
        last.devices = out;
        last.root = plat_root.sys;
        last.seqnum = seqnum;
        last.valid = true;
    }
    return true;
}
