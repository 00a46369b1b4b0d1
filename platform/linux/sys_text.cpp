#include "platform/linux/sys_text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool root_path(char (&path)[4096], const std::string &root, const char *leaf)
{
    int n = std::snprintf(path, sizeof path, "%s/%s", root.c_str(), leaf);
    return n > 0 && static_cast<std::size_t>(n) < sizeof path;
}

namespace {

// Reads fd to its end into buf and closes it.
bool read_fd(int fd, std::string &buf, std::string_view &text, std::size_t max)
{
    // The kernel makes its files up as they are read and gives no size
    // beforehand: read until the end, doubling the room when it fills up.
    // buf keeps its size between calls, so nothing is cleared again.
    if (buf.size() < 4096)
        buf.resize(4096);
    std::size_t got = 0;
    bool ok = true;
    for (;;) {
        if (got == buf.size()) {
            if (got >= max) {
                ok = false;
                break;
            }
            buf.resize(buf.size() * 2);
        }
        ssize_t n = read(fd, buf.data() + got, buf.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    text = std::string_view(buf.data(), got);
    return ok;
}

} // namespace

bool read_whole(const char *path, std::string &buf, std::string_view &text, std::size_t max)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    return fd >= 0 && read_fd(fd, buf, text, max);
}

bool read_regular(const char *path, std::string &buf, std::string_view &text, std::size_t max)
{
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    return read_fd(fd, buf, text, max);
}

bool read_text(const std::string &root, const char *leaf, std::string &buf, std::string_view &text)
{
    char path[4096];
    return root_path(path, root, leaf) && read_whole(path, buf, text);
}

bool next_line(std::string_view &rest, std::string_view &line)
{
    if (rest.empty())
        return false;
    std::size_t end = rest.find('\n');
    line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return true;
}

std::string_view next_word(std::string_view &rest)
{
    std::size_t b = rest.find_first_not_of(" \t\n");
    if (b == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(b);
    std::size_t e = rest.find_first_of(" \t\n");
    std::string_view word = rest.substr(0, e);
    rest.remove_prefix(e == std::string_view::npos ? rest.size() : e);
    return word;
}
