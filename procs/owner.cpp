#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/curses_init.h"
#include "procs/procs.h"

namespace {

struct owner_entry {
    char name[12];
    std::uint32_t uid;
    owner_entry *next;
};

// The tree view asks for an owner on every line of every redraw; the
// password database is asked once per uid for the whole run.
std::array<owner_entry *, 32> owner_cache{};

} // namespace

const char *get_owner_name(std::uint32_t uid)
{
    owner_entry *&bucket = owner_cache[uid & 0x1f];
    for (owner_entry *e = bucket; e; e = e->next)
        if (e->uid == uid)
            return e->name;

    auto *e = static_cast<owner_entry *>(std::calloc(1, sizeof(owner_entry)));
    if (!e)
        allocate_error();
    std::string name;
    if (plat_user_name(uid, name))
        std::memcpy(e->name, name.data(), std::min<std::size_t>(name.size(), 8));
    else
        std::snprintf(e->name, sizeof e->name, "%d", static_cast<int>(uid));
    e->uid = uid;
    e->next = bucket;
    bucket = e;
    return e->name;
}

void owner_reset()
{
    for (owner_entry *&bucket : owner_cache)
        while (owner_entry *e = bucket) {
            bucket = e->next;
            std::free(e);
        }
}
