#include <sys/param.h>
#include <sys/mount.h>
#include <vector>

#include "platform/common/fixed_text.h"
#include "platform/freebsd/sysctl_value.h"
#include "platform/platform.h"

// "vfs.conflist" is an array of these records, counted by its size.
static_assert(sizeof(xvfsconf) == 48, "xvfsconf is not the record vfs.conflist holds");
static_assert(VFCF_STATIC == FSF_STATIC && VFCF_NETWORK == FSF_NETWORK && VFCF_READONLY == FSF_READONLY &&
                  VFCF_SYNTHETIC == FSF_SYNTHETIC && VFCF_LOOPBACK == FSF_LOOPBACK && VFCF_UNICODE == FSF_UNICODE &&
                  VFCF_JAIL == FSF_JAIL && VFCF_DELEGADMIN == FSF_DELEGADMIN,
              "filesystem flags differ from platform.h's");

// Asked for its size, then read into exactly that: a list that grew in
// between does not fit, and the read fails.
bool plat_fstypes(std::vector<plat_fstype> &out)
{
    out.clear();
    std::size_t len = 0;
    if (sysctlbyname("vfs.conflist", nullptr, &len, nullptr, 0) != 0)
        return false;
    std::vector<xvfsconf> confs(len / sizeof(xvfsconf));
    if (confs.empty())
        return true;
    len = confs.size() * sizeof(xvfsconf);
    if (sysctlbyname("vfs.conflist", confs.data(), &len, nullptr, 0) != 0)
        return false;
    confs.resize(len / sizeof(xvfsconf));
    for (const xvfsconf &c : confs)
        out.push_back({fixed_text(c.vfc_name), static_cast<std::uint32_t>(c.vfc_flags)});
    return true;
}
