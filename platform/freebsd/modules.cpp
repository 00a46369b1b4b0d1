#include <sys/param.h>
#include <sys/linker.h>

#include "platform/common/fixed_text.h"
#include "platform/platform.h"

// kldstat fills the record of the version its version field names, which
// is the record's own size.
static_assert(sizeof(kld_file_stat) == 2080, "kld_file_stat is not the record kldstat fills");

bool plat_modules(std::vector<plat_module> &out)
{
    out.clear();
    for (int id = kldnext(0); id != 0; id = kldnext(id)) {
        if (id < 0)
            return false;
        kld_file_stat st{};
        st.version = sizeof st;
        if (kldstat(id, &st) != 0)
            return false;
        out.push_back({fixed_text(st.name), st.size, st.refs, reinterpret_cast<std::uintptr_t>(st.address)});
    }
    return true;
}
