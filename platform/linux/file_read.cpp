#include "platform/linux/file_read.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "platform/platform.h"

long read_file(const char *path, char *buf, std::size_t len)
{
    unique_fd f(open(path, O_RDONLY | O_CLOEXEC));
    if (f.fd < 0)
        return -1;
    std::size_t got = 0;
    while (got < len) {
        ssize_t n = read(f.fd, buf + got, len - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

bool pid_path(char (&path)[4096], int pid, const char *leaf)
{
    int n = std::snprintf(path, sizeof path, "%s/%d%s", plat_root.proc.c_str(), pid, leaf);
    return n > 0 && static_cast<std::size_t>(n) < sizeof path;
}

long read_pid_file(int pid, const char *leaf, char *buf, std::size_t len)
{
    char path[4096];
    return pid_path(path, pid, leaf) ? read_file(path, buf, len) : -1;
}
