// How an entry of a process's open-file list, as FreeBSD's kernel hands it
// out (a kinfo_file record), becomes a plat_file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/platform.h"

// The numbers the record's descriptor field holds for the entries that are
// not descriptors, with the kernel's values (the FreeBSD backend checks them
// against its headers).
constexpr int KFD_CWD = -1;  // the working directory
constexpr int KFD_ROOT = -2; // the root directory
constexpr int KFD_TEXT = -5; // the executable

// The kernel's numbers for the descriptor types platform.h names.
constexpr int KFT_VNODE = 1;
constexpr int KFT_SOCKET = 2;
constexpr int KFT_PIPE = 3;
constexpr int KFT_FIFO = 4;
constexpr int KFT_KQUEUE = 5;
constexpr int KFT_SHM = 8;

// The PF_ type of a kernel descriptor type: PF_OTHER for every type
// platform.h does not name.
int file_type(int kernel_type);

// One entry, from the record's descriptor field, type and path (empty when
// it has none). An entry that is not a descriptor gets fd -1 and the use
// its number stands for (PF_RDIR, PF_CDIR, PF_TEXT); the others of its kind
// (a jail's directory, a trace file, the terminal) get none.
plat_file file_entry(int kernel_fd, int kernel_type, std::string_view path);

// The descriptors that a window of count entries from entry first of the
// whole list takes, the list holding `used` entries before its descriptors:
// those from place first up to, not including, place end among them.
struct fd_window {
    std::size_t first;
    std::size_t end;
};
constexpr fd_window descriptor_window(std::size_t first, std::size_t count, std::size_t used)
{
    std::size_t last = count > SIZE_MAX - first ? SIZE_MAX : first + count;
    return {first > used ? first - used : 0, last > used ? last - used : 0};
}

// The window of a list read whole, as a system that hands out the whole
// list at once gives it (and as the tests' backend does).
inline void window_of(std::span<const plat_file> all, std::size_t first, std::size_t count, plat_files &out)
{
    out = plat_files{};
    for (const plat_file &f : all)
        if (f.fd < 0)
            out.used.push_back(f);
    fd_window w = descriptor_window(first, count, out.used.size());
    for (const plat_file &f : all) {
        if (f.fd < 0)
            continue;
        if (out.fd_count >= w.first && out.fd_count < w.end)
            out.fds.push_back(f);
        ++out.fd_count;
    }
    out.fd_first = w.first < out.fd_count ? w.first : out.fd_count;
}
