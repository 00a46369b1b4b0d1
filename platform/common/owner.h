// Which uid owns a process, for the owner column.
#pragma once

#include <cstdint>
#include <optional>

// The uids of a process's kernel record.
struct kproc_uids {
    std::uint32_t ruid = 0; // real
    std::uint32_t euid = 0; // effective
};

// The owner of the process's entry in the process file system when there is
// one. Where no such file system is mounted, the record's real uid: that is
// the uid FreeBSD's process file system gives the entry, so a set-uid
// program has the same owner with it or without it. Either may be unknown
// (nullopt); false when both are.
bool pick_owner(std::optional<std::uint32_t> fs_owner, std::optional<kproc_uids> record, std::uint32_t &uid);
