// Listing directories by descriptor, for the walks over sysfs: getdents64
// into a buffer on the stack, without a DIR per directory or a stat per
// entry (the kernel tells each entry's type in the listing).
#pragma once

#include <cerrno>
#include <cstddef>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/file_read.h"

// One listing call: the next entries of the open directory dir, at most
// size bytes of them into buf, and f(entry) for each but "." and ".." until
// f returns false. The bytes listed (0 at the end), -1 when the directory
// cannot be read, DIR_STOPPED when f stopped.
constexpr ssize_t DIR_STOPPED = -2;
template <typename F> ssize_t dir_batch(int dir, char *buf, std::size_t size, F &&f)
{
    ssize_t n;
    do
        n = getdents64(dir, buf, size);
    while (n < 0 && errno == EINTR);
    for (ssize_t at = 0; at < n;) {
        const auto *e = reinterpret_cast<const dirent64 *>(buf + at);
        at += e->d_reclen;
        const char *name = e->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (!f(*e))
            return DIR_STOPPED;
    }
    return n < 0 ? -1 : n;
}

// Calls f(name, type) for every entry of the open directory dir but "." and
// "..", type being DT_DIR, DT_REG, DT_LNK ... Where the file system does not
// tell the type in the listing it is asked for, without following links.
// False when the directory cannot be read; the entries seen before that
// have been passed to f.
//
// A listing normally ends with a call that returns nothing. sysfs fills the
// buffer until the entries run out, so there a listing that left room for
// one more entry of any length is complete: fills_until_end spares the
// extra call, one in four of a walk's system calls.
template <typename F> bool dir_each(int dir, F &&f, bool fills_until_end = false)
{
    // The longest entry: the record's head, a name of NAME_MAX bytes and its
    // terminator, rounded up to eight bytes.
    constexpr std::size_t longest = (offsetof(dirent64, d_name) + 255 + 1 + 7) / 8 * 8;
    alignas(dirent64) char buf[8192];
    for (;;) {
        ssize_t n = dir_batch(dir, buf, sizeof buf, [&](const dirent64 &e) {
            unsigned char type = e.d_type;
            if (type == DT_UNKNOWN) {
                struct stat st;
                if (fstatat(dir, e.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    type = static_cast<unsigned char>(IFTODT(st.st_mode));
            }
            f(std::string_view(e.d_name), type);
            return true;
        });
        if (n <= 0)
            return n == 0;
        if (fills_until_end && static_cast<std::size_t>(n) + longest <= sizeof buf)
            return true;
    }
}
