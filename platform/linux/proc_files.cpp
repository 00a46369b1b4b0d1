// The executable, the two directories and the open descriptors of a
// process: the links of its directory in the process file system.
//
// The descriptor list runs after every key while the process report is
// open, for processes that may hold thousands of descriptors. So it works
// through one descriptor on the process's directory and one on its fd/
// directory (the names are short, nothing is looked up from the root again),
// and it allocates per entry only the path string. Holding the process's
// directory open also keeps every read on the one process: if it exits and
// its pid is reused meanwhile, the reads fail instead of describing the
// newcomer.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/linux/file_read.h"
#include "platform/platform.h"

namespace {

struct dir_closer {
    void operator()(DIR *d) const { closedir(d); }
};
using unique_dir = std::unique_ptr<DIR, dir_closer>;

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

}  // namespace

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

bool plat_proc_files(int pid, std::vector<plat_file> &out)
{
    out.clear();
    char where[4096];
    int n = std::snprintf(where, sizeof where, "%s/%d", plat_root.proc.c_str(), pid);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof where)
        return false;
    unique_fd proc_dir(open(where, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (proc_dir.fd < 0)
        return false;
    // The descriptor directory opens only for a process we may inspect: it
    // answers for the whole list.
    int fd_dir = openat(proc_dir.fd, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_dir < 0)
        return false;
    unique_dir dir(fdopendir(fd_dir));
    if (!dir) {
        close(fd_dir);
        return false;
    }

    add_used(proc_dir.fd, "exe", PF_TEXT, out);
    add_used(proc_dir.fd, "cwd", PF_CDIR, out);
    add_used(proc_dir.fd, "root", PF_RDIR, out);
    const std::size_t first_fd = out.size();

    for (;;) {
        errno = 0;
        dirent *e = readdir(dir.get());
        if (!e) {
            // The process went while we listed it.
            if (errno != 0) {
                out.clear();
                return false;
            }
            break;
        }
        plat_file f;
        if (!parse_fd(e->d_name, f.fd))
            continue;
        if (describe(fd_dir, e->d_name, f))
            out.push_back(std::move(f));
    }

    // A zombie has released its files and directories: its list is empty,
    // not unreadable.
    // The kernel lists descriptors in ascending order; sort only if some
    // kernel ever does otherwise.
    auto by_fd = [](const plat_file &a, const plat_file &b) { return a.fd < b.fd; };
    auto fds = out.begin() + static_cast<std::ptrdiff_t>(first_fd);
    if (!std::is_sorted(fds, out.end(), by_fd))
        std::sort(fds, out.end(), by_fd);
    return true;
}
