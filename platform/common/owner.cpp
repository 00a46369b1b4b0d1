#include "platform/common/owner.h"

bool pick_owner(std::optional<std::uint32_t> fs_owner, std::optional<std::uint32_t> euid, std::uint32_t &uid)
{
    // The entry's owner is what the column has always shown. A system
    // without the file system still has owners: the record's effective uid
    // is the same person for all but set-uid programs.
    if (fs_owner) {
        uid = *fs_owner;
        return true;
    }
    if (euid) {
        uid = *euid;
        return true;
    }
    return false;
}
