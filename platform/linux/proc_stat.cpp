#include "platform/linux/proc_stat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <sys/sysmacros.h>

#include "platform/common/state_code.h"

namespace {

// The kernel has more states than vigil shows; fold them into the letters
// the other backends give too. An idle kernel thread is asleep as far as
// anyone watching is concerned.
char fold_state(char k)
{
    switch (k) {
    case 'R':
        return 'R';
    case 'S':
    case 'I':
        return 'S';
    case 'D':
        return 'D';
    case 'Z':
    case 'X':
        return 'Z';
    case 'T':
    case 't':
        return 'T';
    default:
        return '?';
    }
}

template <typename T> bool to_num(std::string_view s, T &v)
{
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

// The stat fields vigil keeps, counted from the state letter (field 3 of
// proc(5)) as 0.
enum : std::size_t {
    F_STATE = 0,
    F_PPID = 1,
    F_PGRP = 2,
    F_TTY = 4,
    F_TPGID = 5,
    F_THREADS = 17,
    F_START = 19,
    F_VSIZE = 20,
    F_RSS = 21,
    F_COUNT = 22
};

// The kernel writes the terminal's number in its own packing (major in bits
// 8-19, minor in bits 0-7 and 20-31); stat(2) hands out C library device
// numbers, which pack them otherwise.
std::uint64_t tty_device(std::uint32_t nr)
{
    if (nr == 0)
        return 0;
    unsigned major = (nr >> 8) & 0xfff;
    unsigned minor = (nr & 0xff) | ((nr >> 12) & 0xfff00);
    return makedev(major, minor);
}

} // namespace

bool parse_proc_stat(std::string_view text, std::size_t page_size, proc_rec &out, std::uint64_t &start_ticks)
{
    // The command name may hold spaces and parentheses of its own, but the
    // kernel writes nothing after it that could hold a ")". This runs for
    // every process on every tick, so nothing here reads the line one
    // character per call: memrchr finds the ")", a loop splits the fields.
    std::size_t open = text.find(" (");
    const void *last = memrchr(text.data(), ')', text.size());
    std::size_t close =
        last ? static_cast<std::size_t>(static_cast<const char *>(last) - text.data()) : std::string_view::npos;
    if (open == std::string_view::npos || close == std::string_view::npos || close < open + 2)
        return false;

    std::array<std::string_view, F_COUNT> f{};
    std::size_t n = 0;
    auto blank = [](char c) {
        return c == ' ' || c == '\n';
    };
    const char *at = text.data() + close + 1;
    const char *end = text.data() + text.size();
    while (n < F_COUNT) {
        while (at < end && blank(*at))
            ++at;
        if (at == end)
            break;
        const char *field = at;
        while (at < end && !blank(*at))
            ++at;
        f[n++] = std::string_view(field, static_cast<std::size_t>(at - field));
    }
    if (n < F_COUNT || f[F_STATE].size() != 1)
        return false;

    proc_rec r{};
    std::uint64_t rss_pages = 0;
    std::uint64_t ticks = 0;
    std::int64_t tty_nr = 0;
    if (!to_num(text.substr(0, open), r.pid) || !to_num(f[F_PPID], r.ppid) || !to_num(f[F_PGRP], r.pgrp) ||
        !to_num(f[F_TTY], tty_nr) || !to_num(f[F_TPGID], r.tpgid) || !to_num(f[F_THREADS], r.threads) ||
        !to_num(f[F_START], ticks) || !to_num(f[F_VSIZE], r.vsize) || !to_num(f[F_RSS], rss_pages))
        return false;
    r.tty = tty_device(static_cast<std::uint32_t>(tty_nr));
    r.state = fold_state(f[F_STATE][0]);
    r.state_code = state_code_of(r.state);
    r.start = -1;
    r.start_id = ticks;
    r.rss = rss_pages * page_size;
    std::string_view comm = text.substr(open + 2, close - open - 2);
    std::size_t len = std::min(comm.size(), sizeof r.comm - 1);
    std::memcpy(r.comm, comm.data(), len);
    out = r;
    start_ticks = ticks;
    return true;
}

bool parse_status_uid(std::string_view text, std::uint32_t &uid)
{
    // "Uid:\treal\teffective\tsaved\tfs"
    std::size_t at = text.starts_with("Uid:") ? 0 : text.find("\nUid:");
    if (at == std::string_view::npos)
        return false;
    std::string_view line = text.substr(at + (text[at] == '\n' ? 5 : 4));
    line = line.substr(0, line.find('\n'));
    for (int field = 0; field < 2; ++field) {
        std::size_t b = line.find_first_not_of(" \t");
        if (b == std::string_view::npos)
            return false;
        line.remove_prefix(b);
        std::size_t e = line.find_first_of(" \t");
        std::string_view num = line.substr(0, e);
        if (field == 1)
            return to_num(num, uid);
        line.remove_prefix(e == std::string_view::npos ? line.size() : e);
    }
    return false;
}
