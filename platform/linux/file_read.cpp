#include "platform/linux/file_read.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

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
