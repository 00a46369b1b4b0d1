#include "platform/common/owner.h"

bool pick_owner(std::optional<std::uint32_t> fs_owner, std::optional<kproc_uids> record, std::uint32_t &uid)
{
    if (fs_owner) {
        uid = *fs_owner;
        return true;
    }
    if (record) {
        uid = record->ruid;
        return true;
    }
    return false;
}
