// The lists at the foot of the system report: loaded modules, filesystem
// types, disks and partitions, devices. Each is read afresh on every
// report. Every name in them comes from the kernel's tables, which drivers
// and modules fill as they like, so each one is shown as display text.
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "details/details.h"
#include "platform/platform.h"

namespace {

const char unavailable[] = "Information unavailable.\n";
const char separator[] = "-------------------- -------------------\n";

// Someone else's name as a column of 20 cells, cut without a mark or
// padded with blanks, as "%-20.20s" does for the headers; counted in cells
// so that a wide character neither shifts the next column nor is cut in
// half.
struct name_column {
    char text[4 * 20 + 1];
    explicit name_column(std::string_view name) { disp_line(text, sizeof text, 20).column(name, 20, 20); }
};

struct fs_flag {
    std::uint32_t flag;
    const char *name;
};

// In the order their names are joined.
constexpr std::array<fs_flag, 8> fs_flags{{
    {FSF_STATIC, "static"},
    {FSF_NETWORK, "network"},
    {FSF_READONLY, "read-only"},
    {FSF_SYNTHETIC, "synthetic"},
    {FSF_LOOPBACK, "loopback"},
    {FSF_UNICODE, "unicode"},
    {FSF_JAIL, "jail"},
    {FSF_DELEGADMIN, "delegated-administration"},
}};

// Appends as much of s as fits, the text staying terminated.
void append(char *text, std::size_t size, const char *s)
{
    std::size_t n = std::strlen(text);
    if (n + 1 < size)
        std::strncat(text, s, size - n - 1);
}

// The names of the flags set, joined by ", ".
void flag_text(std::uint32_t flags, char *text, std::size_t size)
{
    text[0] = '\0';
    for (const fs_flag &f : fs_flags) {
        if (!(flags & f.flag))
            continue;
        append(text, size, f.name);
        append(text, size, ", ");
    }
    std::size_t n = std::strlen(text);
    if (n >= 2)
        text[n - 2] = '\0';
}

// A device the system has working: one with a name and attached to a
// driver (or busy). The list is the tree in pre-order, so a device left
// out hides none of its children.
void sys_device_visit(const plat_device &d)
{
    if (d.name.empty() || !d.attached)
        return;
    println("%s %s\n", name_column(d.name).text, name_column(d.has_driver ? d.driver : "unknown").text);
}

} // namespace

// One row and one empty row a module. Modules read before a failure stay
// listed, with the message below them.
void sys_modules_info()
{
    std::vector<plat_module> mods;
    bool read = plat_modules(mods);
    for (const plat_module &m : mods) {
        println("%s %zu %d - Live %p", disp_clean(m.name).c_str(), m.size, m.refs, reinterpret_cast<void *>(m.address));
        newln();
    }
    if (!read)
        println("%s", unavailable);
}

void sys_filesystems_info()
{
    std::vector<plat_fstype> types;
    if (!plat_fstypes(types)) {
        println("%s", unavailable);
        return;
    }
    println("%-20.20s  %s\n", "Filesystem", "Flags");
    println("%s", separator);
    char flags[257];
    for (const plat_fstype &t : types) {
        flag_text(t.flags, flags, sizeof flags);
        println("%s %s\n", name_column(t.name).text, flags);
    }
}

void sys_partitions_info()
{
    std::vector<plat_partition> parts;
    if (!plat_partitions(parts)) {
        println("%s", unavailable);
        return;
    }
    println("%-20.20s %s\n", "Name", "Size");
    println("%s", separator);
    for (const plat_partition &p : parts)
        println("%s %lld\n", name_column(p.name).text, static_cast<long long>(p.size));
}

void sys_devices_info()
{
    std::vector<plat_device> devs;
    if (!plat_devices(devs)) {
        println("%s", unavailable);
        return;
    }
    println("%-20.20s %-20.20s\n", "NAME", "DRIVER");
    println("%s", separator);
    for (const plat_device &d : devs)
        sys_device_visit(d);
}
