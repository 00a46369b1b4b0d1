// Memory and swap figures from <proc>/meminfo, which gives kilobytes.
//
// How the figures map:
//   free        MemFree
//   active      Active
//   inactive    Inactive
//   wired       Unevictable: pages the kernel may not reclaim, the mlocked
//               ones among them
//   laundry     0: the kernel keeps no queue of pages waiting to be written
//               out. Its dirty pages stay on the active and inactive lists,
//               and counted here as well they would count twice.
//   available   MemAvailable: the kernel's own estimate of what it could
//               hand out without swapping. Inactive is no part of it: without
//               swap its anonymous pages cannot be reclaimed at all.
//   bufspace    Buffers, which active and inactive hold too
//   swap_total  SwapTotal, in bytes
//   physmem     MemTotal: the memory the kernel manages, the installed
//               memory less what the firmware and the kernel's own image hold
//   realmem     the installed memory: the memory blocks of
//               <sys>/devices/system/memory times their size, where the
//               kernel has them (memory hot-plug); else MemTotal
// and the swap totals in pages: SwapTotal, and SwapTotal less SwapFree used.
#include <array>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

#include "platform/linux/dir_read.h"
#include "platform/linux/sys_text.h"
#include "platform/platform.h"

namespace {

std::string meminfo_buf;
std::string block_size_buf;

enum : std::size_t {
    MEM_TOTAL,
    MEM_FREE,
    MEM_AVAILABLE,
    BUFFERS,
    ACTIVE,
    INACTIVE,
    UNEVICTABLE,
    SWAP_TOTAL,
    SWAP_FREE,
    FIELDS
};
constexpr std::array<std::string_view, FIELDS> field_names = {
    "MemTotal:", "MemFree:",     "MemAvailable:", "Buffers:",  "Active:",
    "Inactive:", "Unevictable:", "SwapTotal:",    "SwapFree:",
};

// The figures of <proc>/meminfo that vigil uses, in bytes; -1 for those
// missing or unreadable. False when the file cannot be read at all.
bool read_meminfo(std::array<std::int64_t, FIELDS> &bytes)
{
    bytes.fill(-1);
    std::string_view text;
    if (!read_text(plat_root.proc, "meminfo", meminfo_buf, text))
        return false;
    std::string_view line;
    while (next_line(text, line)) {
        std::string_view key = next_word(line);
        for (std::size_t i = 0; i < FIELDS; ++i) {
            if (key != field_names[i])
                continue;
            std::int64_t kb = 0;
            if (whole_num(next_word(line), kb) && kb >= 0 && kb <= INT64_MAX / 1024 && next_word(line) == "kB")
                bytes[i] = kb * 1024;
            break;
        }
    }
    return true;
}

// A byte count in pages; as many as the record holds when it holds fewer.
std::uint32_t pages(std::int64_t bytes, long page_size)
{
    if (bytes <= 0 || page_size <= 0)
        return 0;
    std::int64_t n = bytes / page_size;
    return n > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(n);
}

// The installed memory: the kernel splits it into blocks of one size
// ("block_size_bytes", in hexadecimal) and lists each present block as a
// directory "memoryN", online or not. 0 when the kernel has no such list.
std::uint64_t installed_memory()
{
    std::string_view text;
    std::uint64_t block = 0;
    if (!read_text(plat_root.sys, "devices/system/memory/block_size_bytes", block_size_buf, text))
        return 0;
    if (!whole_num(next_word(text), block, 16) || block == 0)
        return 0;
    char path[4096];
    if (!root_path(path, plat_root.sys, "devices/system/memory"))
        return 0;
    unique_fd dir(open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0)
        return 0;
    std::uint64_t blocks = 0;
    bool read = dir_each(dir.fd, [&](std::string_view name, unsigned char type) {
        unsigned n = 0;
        if (type == DT_DIR && name.starts_with("memory") && whole_num(name.substr(6), n))
            ++blocks;
    });
    return read ? blocks * block : 0;
}

} // namespace

void plat_mem_info(plat_mem &out)
{
    out = plat_mem{};
    long page_size = sysconf(_SC_PAGESIZE);
    if (page_size > 0 && page_size <= INT_MAX)
        out.page_size = static_cast<int>(page_size);
    std::array<std::int64_t, FIELDS> b;
    if (!read_meminfo(b))
        b.fill(-1);
    auto bytes = [](std::int64_t v) {
        return v > 0 ? static_cast<std::uint64_t>(v) : 0;
    };
    out.free = pages(b[MEM_FREE], page_size);
    out.active = pages(b[ACTIVE], page_size);
    out.inactive = pages(b[INACTIVE], page_size);
    out.wired = pages(b[UNEVICTABLE], page_size);
    out.available = pages(b[MEM_AVAILABLE], page_size);
    out.bufspace = bytes(b[BUFFERS]);
    out.swap_total = bytes(b[SWAP_TOTAL]);
    out.physmem = bytes(b[MEM_TOTAL]);
    // Fewer blocks than the kernel manages is a list vigil does not
    // understand; the managed memory is the better figure then.
    out.realmem = installed_memory();
    if (out.realmem < out.physmem)
        out.realmem = out.physmem;
}

bool plat_swap_info(std::uint32_t &total, std::uint32_t &used)
{
    std::array<std::int64_t, FIELDS> b;
    if (!read_meminfo(b) || b[SWAP_TOTAL] < 0 || b[SWAP_FREE] < 0 || b[SWAP_FREE] > b[SWAP_TOTAL])
        return false;
    long page_size = sysconf(_SC_PAGESIZE);
    if (page_size <= 0)
        return false;
    total = pages(b[SWAP_TOTAL], page_size);
    used = pages(b[SWAP_TOTAL] - b[SWAP_FREE], page_size);
    return true;
}
