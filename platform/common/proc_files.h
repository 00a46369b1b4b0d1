// How an entry of a process's open-file list, as FreeBSD's procstat library
// gives it, becomes a plat_file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/platform.h"

// How the process uses a file, with the kernel's values (the FreeBSD
// backend checks them against its headers).
constexpr int KFILE_RDIR = 0x1;   // its root directory
constexpr int KFILE_CDIR = 0x2;   // its working directory
constexpr int KFILE_TEXT = 0x10;  // its executable

// The PF_RDIR, PF_CDIR and PF_TEXT bits for the kernel's use flags; every
// other use is dropped.
int file_uses(int kernel_uflags);

// One entry. The type keeps the kernel's number (platform.h numbers the
// types as FreeBSD does); a null path is an empty one.
plat_file file_entry(int fd, int type, int kernel_uflags, const char *path);

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
