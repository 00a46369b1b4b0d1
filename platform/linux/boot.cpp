#include <charconv>
#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/linux/file_read.h"
#include "platform/platform.h"

// The "btime" line of <proc>/stat: the boot time in seconds since the
// epoch, as the kernel keeps it.
bool plat_boot_time(std::int64_t &secs)
{
    std::string path = plat_root.proc + "/stat";
    // The per-processor lines come first: room for a few hundred of them.
    std::vector<char> buf(256 * 1024);
    long got = read_file(path.c_str(), buf.data(), buf.size());
    if (got <= 0)
        return false;
    std::string_view text(buf.data(), static_cast<std::size_t>(got));
    std::size_t at = text.starts_with("btime ") ? 0 : text.find("\nbtime ");
    if (at == std::string_view::npos)
        return false;
    std::string_view num = text.substr(at + (text[at] == '\n' ? 7 : 6));
    num = num.substr(0, num.find('\n'));
    auto [p, ec] = std::from_chars(num.data(), num.data() + num.size(), secs);
    return ec == std::errc() && p != num.data();
}
