// Which uid owns a process, for the owner column.
#pragma once

#include <cstdint>
#include <optional>

// The owner of the process's entry in the process file system when there is
// one; where no such file system is mounted, the process's effective uid.
// Either may be unknown (nullopt); false when both are.
bool pick_owner(std::optional<std::uint32_t> fs_owner, std::optional<std::uint32_t> euid, std::uint32_t &uid);
