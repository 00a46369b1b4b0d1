// The executable, the two directories and the open descriptors of a
// process: the links of its directory in the process file system.
//
// The descriptor list runs after every key while the process report is
// open, for processes that may hold thousands of descriptors. So it lists
// only as far as the window asked for and reads and types only the
// descriptors in it, and it works through one descriptor on the process's
// directory and one on its fd/ directory (the names are short, nothing is
// looked up from the root again). Holding the process's
// directory open also keeps every read on the one process: if it exits and
// its pid is reused meanwhile, the reads fail instead of describing the
// newcomer.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/common/proc_files.h"
#include "platform/linux/dir_read.h"
#include "platform/linux/file_read.h"
#include "platform/platform.h"

namespace {

// The kernel writes a link's target into one page and refuses a longer one,
// so a page-sized buffer never cuts a target short.
using link_buf = char[4096];

enum link_state { LINK_GONE, LINK_NAMELESS, LINK_READ };

// Reads the link name under dir. A target too long for the kernel to give
// is there but nameless, as the system reports a path it cannot build; any
// other failure means the entry is gone or not ours to see.
link_state read_link(int dir, const char *name, link_buf &buf, std::string_view &target)
{
    ssize_t n = readlinkat(dir, name, buf, sizeof buf);
    if (n < 0)
        return errno == ENAMETOOLONG ? LINK_NAMELESS : LINK_GONE;
    if (static_cast<std::size_t>(n) >= sizeof buf)
        return LINK_NAMELESS;
    target = {buf, static_cast<std::size_t>(n)};
    return LINK_READ;
}

// Whether the descriptor's file is a named pipe. Only a stat of the file
// itself tells it from a regular file of the same name. DONT_SYNC keeps a
// file on a network file system from costing a round trip for a type that
// never changes. gone tells a descriptor closed since its link was read;
// any other failed stat leaves the file a plain one.
bool is_fifo(int fd_dir, const char *name, bool &gone)
{
    struct statx sx;
    if (statx(fd_dir, name, AT_STATX_DONT_SYNC, STATX_TYPE, &sx) != 0) {
        gone = errno == ENOENT;
        return false;
    }
    return S_ISFIFO(sx.stx_mode);
}

// The entries that are not descriptors: each directory or file the process
// uses, when its link can be read.
void add_used(int proc_dir, const char *name, int uflags, std::vector<plat_file> &out)
{
    link_buf buf;
    std::string_view target;
    link_state s = read_link(proc_dir, name, buf, target);
    if (s == LINK_GONE)
        return;
    plat_file &f = out.emplace_back();
    f.type = PF_VNODE;
    f.uflags = uflags;
    f.path.assign(target);
}

// One descriptor by the text of its link; false when it closed meanwhile.
bool describe(int fd_dir, const char *name, plat_file &f)
{
    link_buf buf;
    std::string_view t;
    link_state s = read_link(fd_dir, name, buf, t);
    if (s == LINK_GONE)
        return false;
    bool gone = false;
    if (s == LINK_NAMELESS) {
        f.type = is_fifo(fd_dir, name, gone) ? PF_FIFO : PF_VNODE;
        return !gone;
    }
    if (t.starts_with("socket:[")) {
        f.type = PF_SOCKET;
    } else if (t.starts_with("pipe:[")) {
        f.type = PF_PIPE;
    } else if (t == "anon_inode:[eventpoll]") {
        f.type = PF_KQUEUE;
    } else if (!t.starts_with('/')) {
        // Other anonymous inodes (eventfd, signalfd, timerfd, inotify,
        // pidfd ...) and namespace handles: nothing a path could show.
        f.type = PF_OTHER;
    } else if (t.starts_with("/memfd:")) {
        f.type = PF_SHM;
        f.path.assign(t);
    } else {
        if (is_fifo(fd_dir, name, gone))
            f.type = PF_FIFO;
        else if (t.starts_with("/dev/shm/"))
            f.type = PF_SHM;
        else
            f.type = PF_VNODE;
        f.path.assign(t);
    }
    return !gone;
}

bool parse_fd(const char *name, int &fd)
{
    const char *end = name + std::strlen(name);
    auto [p, ec] = std::from_chars(name, end, fd);
    return ec == std::errc() && p == end && p != name && fd >= 0;
}

// Calls f(name) for the entries of the open descriptor directory, in the
// kernel's order (ascending descriptors), until f returns false. The kernel
// builds an entry for each name it lists, so each listing asks for room for
// only as many names as are still wanted: a window at the top of 5,000
// descriptors lists a few dozen of them. False when it cannot be read.
template <typename F> bool each_fd_name(int fd_dir, std::size_t wanted, F &&f)
{
    // A descriptor's entry, with its name of at most ten digits, fits in 32
    // bytes; "." and ".." come first.
    constexpr std::size_t entry_room = 32;
    alignas(dirent64) char buf[8192];
    for (;;) {
        std::size_t ask = wanted < sizeof buf / entry_room - 2 ? (wanted + 2) * entry_room : sizeof buf;
        ssize_t n = dir_batch(fd_dir, buf, ask, [&](const dirent64 &e) {
            if (wanted > 0 && wanted != SIZE_MAX)
                --wanted;
            return f(e.d_name);
        });
        if (n == DIR_STOPPED)
            return true;
        if (n <= 0)
            return n == 0;
    }
}

} // namespace

bool plat_proc_exe(int pid, std::string &path)
{
    char where[4096];
    int n = std::snprintf(where, sizeof where, "%s/%d/exe", plat_root.proc.c_str(), pid);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof where)
        return false;
    link_buf buf;
    std::string_view target;
    if (read_link(AT_FDCWD, where, buf, target) != LINK_READ)
        return false;
    path.assign(target);
    return true;
}

namespace {

// The window's descriptors from a listing from the first descriptor on,
// which stops at the window's end when the kernel told how many there are
// (told), and else counts them all. False when it cannot be read.
bool window_from_start(int fd_dir, fd_window w, std::size_t told, plat_files &out)
{
    const std::size_t need = told == 0 ? SIZE_MAX : w.first < w.end ? std::min(w.end, told) : 0;
    std::size_t seen = 0;
    bool listed = need == 0 || each_fd_name(fd_dir, need, [&](const char *name) {
                      plat_file f;
                      if (!parse_fd(name, f.fd))
                          return true;
                      if (seen >= w.first && seen < w.end) {
                          // One closed since it was listed is left out, as if never listed.
                          if (!describe(fd_dir, name, f))
                              return true;
                          out.fds.push_back(std::move(f));
                      }
                      return ++seen < need;
                  });
    out.fd_count = seen < need ? seen : std::max(seen, told);
    out.fd_first = std::min(w.first, out.fd_count);
    return listed;
}

// The window's descriptors from a listing of only the last ones, for a
// window nearer the end of the told descriptors. The i-th lowest open
// descriptor is numbered i or more, so those numbered from the window's
// first place on include every one from that place to the end; how many
// they are tells the place of the first of them. In the directory a
// descriptor's place is its number plus 2, after "." and "..".
bool window_to_end(int fd_dir, fd_window w, std::size_t told, plat_files &out)
{
    const auto from = static_cast<off_t>(w.first) + 2;
    if (lseek(fd_dir, from, SEEK_SET) != from)
        return false;
    std::vector<int> last;
    bool listed = each_fd_name(fd_dir, told - w.first, [&](const char *name) {
        int fd = 0;
        if (parse_fd(name, fd))
            last.push_back(fd);
        return true;
    });
    const std::size_t at = told > last.size() ? told - last.size() : 0;
    for (std::size_t i = 0; i < last.size(); ++i) {
        if (at + i < w.first || at + i >= w.end)
            continue;
        plat_file f;
        f.fd = last[i];
        char name[16];
        std::snprintf(name, sizeof name, "%d", f.fd);
        if (describe(fd_dir, name, f))
            out.fds.push_back(std::move(f));
    }
    out.fd_count = at + last.size();
    out.fd_first = std::min(std::max(w.first, at), out.fd_count);
    return listed;
}

} // namespace

bool plat_proc_files(int pid, std::size_t first, std::size_t count, plat_files &out)
{
    out = plat_files{};
    char where[4096];
    int n = std::snprintf(where, sizeof where, "%s/%d", plat_root.proc.c_str(), pid);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof where)
        return false;
    unique_fd proc_dir(open(where, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (proc_dir.fd < 0)
        return false;
    // The descriptor directory opens only for a process we may inspect: it
    // answers for the whole list.
    unique_fd fd_dir(openat(proc_dir.fd, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd_dir.fd < 0)
        return false;

    add_used(proc_dir.fd, "exe", PF_TEXT, out.used);
    add_used(proc_dir.fd, "cwd", PF_CDIR, out.used);
    add_used(proc_dir.fd, "root", PF_RDIR, out.used);
    const fd_window w = descriptor_window(first, count, out.used.size());

    // The kernel gives the number of open descriptors as the directory's
    // size (from Linux 6.2; 0 before, as for a process that has none). With
    // it the listing goes only from the nearer end of the list to the
    // window; without it, it counts them all.
    struct stat st;
    const std::size_t told = fstat(fd_dir.fd, &st) == 0 && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    const bool near_end = w.first < w.end && w.first < told && told - w.first < w.first;
    // The process went while we listed it.
    if (!(near_end ? window_to_end(fd_dir.fd, w, told, out) : window_from_start(fd_dir.fd, w, told, out))) {
        out = plat_files{};
        return false;
    }
    // A zombie has released its files and directories: its list is empty,
    // not unreadable.
    return true;
}
