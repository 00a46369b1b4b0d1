// Filesystem types from <proc>/filesystems: one a line, "nodev" before the
// tab when the type needs no block device. Linux keeps no flags like
// FreeBSD's for a type; vigil gives each what it knows of the type:
//
//   static     built into the kernel: no loaded module of <proc>/modules
//              provides it. A kernel without module support (no such file)
//              has them all built in.
//   network    the files live on another machine: nfs, nfs4, cifs, smb3,
//              smb, 9p, ceph, afs, coda, ncpfs, and virtiofs (a virtual
//              machine's host sharing its files).
//   read-only  formats Linux can only read: iso9660, squashfs, erofs,
//              cramfs, romfs, efs, befs, qnx4, vxfs.
//   synthetic  a "nodev" type that keeps no files of its own: the kernel
//              makes them up (proc, sysfs, cgroup, debugfs ... and devtmpfs,
//              whose nodes the kernel makes as devfs does). Every "nodev"
//              type is taken for one unless it is known to keep files:
//              tmpfs, ramfs, hugetlbfs, the network ones, the stacking ones
//              and fuse.
//   loopback   shows other file systems' files again: overlay, aufs.
//   unicode    stores names as Unicode: vfat, exfat, ntfs, ntfs3, hfsplus,
//              udf, jfs.
//   jail       may be mounted inside a user namespace, the container Linux
//              has (FS_USERNS_MOUNT): proc, sysfs, tmpfs, ramfs, devpts,
//              mqueue, cgroup, cgroup2, fuse, overlay.
//   delegated-administration
//              lets users administer their own parts: zfs.
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/sys_text.h"
#include "platform/platform.h"

namespace {

std::string filesystems_buf;
std::string modules_buf;

struct fs_kind {
    std::string_view name;
    std::uint32_t flags;
    bool keeps_files; // a "nodev" type that is not synthetic
};

constexpr std::uint32_t NET = FSF_NETWORK, RO = FSF_READONLY, LOOP = FSF_LOOPBACK, UNI = FSF_UNICODE, JAIL = FSF_JAIL;

constexpr fs_kind kinds[] = {
    {"nfs", NET, true},
    {"nfs4", NET, true},
    {"cifs", NET, true},
    {"smb3", NET, true},
    {"smb", NET, true},
    {"9p", NET, true},
    {"ceph", NET, true},
    {"afs", NET, true},
    {"coda", NET, true},
    {"ncpfs", NET, true},
    {"virtiofs", NET, true},
    {"iso9660", RO, false},
    {"squashfs", RO, false},
    {"erofs", RO, false},
    {"cramfs", RO, false},
    {"romfs", RO, false},
    {"efs", RO, false},
    {"befs", RO, false},
    {"qnx4", RO, false},
    {"vxfs", RO, false},
    {"overlay", LOOP | JAIL, true},
    {"aufs", LOOP, true},
    {"vfat", UNI, false},
    {"exfat", UNI, false},
    {"ntfs", UNI, false},
    {"ntfs3", UNI, false},
    {"hfsplus", UNI, false},
    {"udf", UNI, false},
    {"jfs", UNI, false},
    {"proc", JAIL, false},
    {"sysfs", JAIL, false},
    {"devpts", JAIL, false},
    {"mqueue", JAIL, false},
    {"cgroup", JAIL, false},
    {"cgroup2", JAIL, false},
    {"tmpfs", JAIL, true},
    {"ramfs", JAIL, true},
    {"hugetlbfs", 0, true},
    {"fuse", JAIL, true},
    {"zfs", FSF_DELEGADMIN, true},
};

// The module that registers a type, where its name is not the type's own.
constexpr std::string_view module_of[][2] = {
    {"iso9660", "isofs"}, {"smb3", "cifs"},    {"ext3", "ext4"},
    {"fuseblk", "fuse"},  {"fusectl", "fuse"}, {"nfs4", "nfsv4"},
};

// The names of the loaded modules, as views into modules_buf.
std::vector<std::string_view> loaded_modules()
{
    std::vector<std::string_view> names;
    std::string_view text;
    if (!read_text(plat_root.proc, "modules", modules_buf, text))
        return names;
    std::string_view line;
    while (next_line(text, line))
        if (std::string_view name = next_word(line); !name.empty())
            names.push_back(name);
    return names;
}

std::uint32_t flags_of(std::string_view name, bool nodev, const std::vector<std::string_view> &modules)
{
    std::uint32_t flags = 0;
    bool keeps_files = !nodev;
    for (const fs_kind &k : kinds)
        if (k.name == name) {
            flags = k.flags;
            keeps_files = keeps_files || k.keeps_files;
        }
    if (!keeps_files)
        flags |= FSF_SYNTHETIC;
    std::string_view module = name;
    for (const auto &m : module_of)
        if (m[0] == name)
            module = m[1];
    bool from_module = false;
    for (std::string_view m : modules)
        from_module = from_module || m == module;
    if (!from_module)
        flags |= FSF_STATIC;
    return flags;
}

} // namespace

bool plat_fstypes(std::vector<plat_fstype> &out)
{
    out.clear();
    std::string_view text;
    if (!read_text(plat_root.proc, "filesystems", filesystems_buf, text))
        return false;
    std::vector<std::string_view> modules = loaded_modules();
    std::string_view line;
    while (next_line(text, line)) {
        std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            return false;
        std::string_view name = line.substr(tab + 1);
        if (name.empty())
            return false;
        out.push_back({std::string(name), flags_of(name, line.substr(0, tab) == "nodev", modules)});
    }
    return true;
}
