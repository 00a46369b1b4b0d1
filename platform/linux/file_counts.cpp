// Open files, the most the system allows, and the used file nodes of /.
#include <string>
#include <string_view>
#include <sys/statfs.h>

#include "platform/linux/sys_text.h"
#include "platform/platform.h"

namespace {

std::string files_buf;

// The numbers of a one-line <proc>/sys file, each through f(index, number);
// false when it cannot be read or a number is malformed.
template <typename F> bool read_numbers(const char *leaf, int count, F &&f)
{
    std::string_view text;
    if (!read_text(plat_root.proc, leaf, files_buf, text))
        return false;
    for (int i = 0; i < count; ++i) {
        long v = 0;
        if (!whole_num(next_word(text), v))
            return false;
        f(i, v);
    }
    return true;
}

} // namespace

// "sys/fs/file-nr" holds three numbers: the file handles allocated, those
// of them free, and the maximum. The kernel has kept the free count at 0
// since 2.6, but the difference is right either way.
long plat_open_files()
{
    long allocated = 0, free = 0;
    bool read = read_numbers("sys/fs/file-nr", 2, [&](int i, long v) { (i == 0 ? allocated : free) = v; });
    return read && allocated >= free ? allocated - free : -1;
}

long plat_max_files()
{
    long max = -1;
    return read_numbers("sys/fs/file-max", 1, [&](int, long v) { max = v; }) ? max : -1;
}

// Always the host's own root file system, not one below the proc root: the
// count is the used file nodes of the file system vigil runs on. A file
// system that keeps no count of nodes (btrfs says 0 of 0) gives 0.
long plat_used_inodes()
{
    struct statfs st;
    if (statfs("/", &st) != 0 || st.f_ffree > st.f_files)
        return -1;
    return static_cast<long>(st.f_files - st.f_ffree);
}
