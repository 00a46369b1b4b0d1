// Disks and their partitions from <sys>/class/block, where each block
// device is a link into the device tree: a whole disk's link ends in
// ".../block/DISK", a partition's in ".../block/DISK/PART", below its disk.
//
// Devices that stand for no disk of their own are left out, as labels and
// mirrors are where the disk topology has them: loop devices (a file seen
// as a disk), RAM disks (ram, zram), and the device-mapper (dm-N) and
// software RAID (mdN) devices made of other disks, with their partitions.
// The kernel names them so whatever else they are made of.
//
// The order: the whole disks by name (sda before sdb, nvme0n1 before
// nvme1n1), each followed by its partitions by number (sda2 before sda10;
// see name_order.h).
// The size file counts 512-byte sectors whatever the disk's own sector
// size. A device whose size cannot be read (it went away between the
// listing and the read) is left out.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "platform/linux/dir_read.h"
#include "platform/linux/name_order.h"
#include "platform/linux/sys_text.h"
#include "platform/platform.h"

namespace {

bool virtual_disk(std::string_view name)
{
    for (std::string_view prefix : {"loop", "ram", "zram", "dm-", "md"})
        if (name.starts_with(prefix))
            return true;
    return false;
}

struct block_dev {
    std::string name;
    std::string parent; // the directory its link ends in: a disk's name for a partition
    std::int64_t size = -1;
};

// The last directory before the name in a link's target.
std::string link_parent(int dir, const char *name)
{
    char target[4096];
    ssize_t n = readlinkat(dir, name, target, sizeof target - 1);
    if (n <= 0)
        return {};
    std::string_view t(target, static_cast<std::size_t>(n));
    std::size_t last = t.rfind('/');
    if (last == std::string_view::npos)
        return {};
    t = t.substr(0, last);
    std::size_t before = t.rfind('/');
    return std::string(before == std::string_view::npos ? t : t.substr(before + 1));
}

// The size in bytes from "NAME/size" below the open class directory; -1
// when it cannot be read.
std::int64_t size_of(int dir, const std::string &name)
{
    char path[4096];
    if (name.size() + sizeof "/size" > sizeof path)
        return -1;
    std::memcpy(path, name.data(), name.size());
    std::memcpy(path + name.size(), "/size", sizeof "/size");
    unique_fd f(openat(dir, path, O_RDONLY | O_CLOEXEC));
    if (f.fd < 0)
        return -1;
    char buf[32];
    ssize_t n = read(f.fd, buf, sizeof buf);
    std::int64_t sectors = 0;
    std::string_view text(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (!whole_num(next_word(text), sectors) || sectors < 0 || sectors > INT64_MAX / 512)
        return -1;
    return sectors * 512;
}

bool by_name(const block_dev *a, const block_dev *b)
{
    return name_before(a->name.c_str(), b->name.c_str());
}

} // namespace

bool plat_partitions(std::vector<plat_partition> &out)
{
    out.clear();
    char path[4096];
    if (!root_path(path, plat_root.sys, "class/block"))
        return false;
    unique_fd dir(open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0)
        return false;
    std::vector<block_dev> devs;
    // A partition's name is its disk's with a number after it, so the
    // partitions of the devices left out go with them.
    bool read = dir_each(dir.fd, [&](std::string_view name, unsigned char type) {
        if ((type == DT_LNK || type == DT_DIR) && !virtual_disk(name))
            devs.push_back({std::string(name), {}, -1});
    });
    if (!read)
        return false;
    for (block_dev &d : devs) {
        d.parent = link_parent(dir.fd, d.name.c_str());
        d.size = size_of(dir.fd, d.name);
    }

    auto named = [&](const std::string &name) {
        return std::any_of(devs.begin(), devs.end(), [&](const block_dev &d) { return d.name == name; });
    };
    std::vector<const block_dev *> disks;
    for (const block_dev &d : devs)
        if (!named(d.parent))
            disks.push_back(&d);
    std::sort(disks.begin(), disks.end(), by_name);
    std::vector<const block_dev *> parts;
    for (const block_dev *disk : disks) {
        parts.clear();
        for (const block_dev &d : devs)
            if (d.parent == disk->name)
                parts.push_back(&d);
        std::sort(parts.begin(), parts.end(), by_name);
        if (disk->size >= 0)
            out.push_back({disk->name, disk->size});
        for (const block_dev *p : parts)
            if (p->size >= 0)
                out.push_back({p->name, p->size});
    }
    return true;
}
