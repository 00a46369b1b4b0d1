#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"

// A line name comes from the login file, which others write: "../etc/x",
// "fd/0" (a link into the process file system) or "stdin" must not send a
// stat anywhere but below the device directory. So the name is walked one
// component at a time from the directory's descriptor, following no link,
// and only a character device at its end is a terminal.
bool plat_line_device(const char *line, std::uint64_t &dev)
{
    std::string_view rest(line);
    if (rest.empty() || rest.front() == '/')
        return false;
    int dir = open(plat_root.dev.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    bool found = false;
    for (;;) {
        std::size_t slash = rest.find('/');
        std::string name(rest.substr(0, slash));
        if (name.empty() || name == "." || name == "..")
            break;
        if (slash == std::string_view::npos) {
            struct stat st;
            found = fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISCHR(st.st_mode);
            if (found)
                dev = static_cast<std::uint64_t>(st.st_rdev);
            break;
        }
        int next = openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        close(dir);
        dir = next;
        if (dir < 0)
            return false;
        rest.remove_prefix(slash + 1);
    }
    close(dir);
    return found;
}
