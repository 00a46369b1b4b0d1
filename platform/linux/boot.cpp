#include <string>
#include <string_view>

#include "platform/linux/sys_text.h"
#include "platform/platform.h"

namespace {

// Kept between calls: the file is a few kilobytes, more with many
// processors and interrupts.
std::string stat_buf;

} // namespace

// The "btime" line of <proc>/stat: the boot time in seconds since the
// epoch, as the kernel keeps it.
bool plat_boot_time(std::int64_t &secs)
{
    std::string_view text;
    if (!read_text(plat_root.proc, "stat", stat_buf, text))
        return false;
    std::string_view line;
    while (next_line(text, line)) {
        if (next_word(line) != "btime")
            continue;
        std::int64_t v = 0;
        if (!whole_num(next_word(line), v))
            return false;
        secs = v;
        return true;
    }
    return false;
}
