// Loaded kernel modules from <proc>/modules, one line a module:
//   name size refcount dependencies state address [taint]
// e.g. "nf_tables 372736 3 nft_chain_nat, Live 0xffffffffc0a3e000 (E)".
// A kernel built without module support has no such file: that is the
// same "cannot read" as any other failure to open it.
#include <algorithm>
#include <string>
#include <string_view>

#include "platform/linux/sys_text.h"
#include "platform/platform.h"

namespace {

std::string modules_buf;

bool parse_module(std::string_view line, plat_module &m)
{
    std::string_view name = next_word(line);
    std::string_view size = next_word(line);
    std::string_view refs = next_word(line);
    next_word(line); // the modules that use this one
    next_word(line); // Live, Loading or Unloading
    std::string_view address = next_word(line);
    if (name.empty() || !whole_num(size, m.size) || !address.starts_with("0x") ||
        !whole_num(address.substr(2), m.address, 16))
        return false;
    // A kernel that cannot unload modules counts no references and writes
    // "-": nothing holds the module, as far as anyone can tell.
    m.refs = 0;
    if (refs != "-" && !whole_num(refs, m.refs))
        return false;
    m.name.assign(name);
    return true;
}

} // namespace

// The kernel lists the newest module first; vigil lists them in load order,
// oldest first, so the list is turned round. The load address reads 0 where
// the kernel hides addresses from this user (kptr_restrict). A malformed
// line ends the list there: the modules after it in load order stay.
bool plat_modules(std::vector<plat_module> &out)
{
    out.clear();
    std::string_view text;
    if (!read_text(plat_root.proc, "modules", modules_buf, text))
        return false;
    bool ok = true;
    std::string_view line;
    while (next_line(text, line)) {
        plat_module m;
        if (!parse_module(line, m)) {
            ok = false;
            break;
        }
        out.push_back(std::move(m));
    }
    std::reverse(out.begin(), out.end());
    return ok;
}
