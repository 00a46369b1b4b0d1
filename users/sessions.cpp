#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/curses_init.h"
#include "procs/procs.h"
#include "users/users.h"

int nusers = 0;
int nlocal = 0;
int ntelnet = 0;
int nssh = 0;

namespace {

// The sentinel: its `older` is the front (newest), its `newer` the back
// (oldest); an empty list points at itself.
user_entry user_list = {&user_list, &user_list, {}, {}, 0, {}, {}, 0, false, {}};
char ucount_buf[64];

void link_front(user_entry *u)
{
    u->newer = &user_list;
    u->older = user_list.older;
    user_list.older->newer = u;
    user_list.older = u;
}

void unlink(user_entry *u)
{
    u->newer->older = u->older;
    u->older->newer = u->newer;
}

// Bounded copy of at most n bytes that stops at the source's end; the
// record is zero-filled, so the field stays terminated.
template <std::size_t N> void copy_field(char (&dst)[N], const std::string &src)
{
    std::memcpy(dst, src.data(), std::min(src.size(), N - 1));
}

// What tells two sessions apart: the line, over the width the record keeps
// (so a line name that fills it still finds its session), and the login
// process.
struct session_key {
    std::string_view line;
    int pid;
    bool operator==(const session_key &) const = default;
};
struct key_hash {
    std::size_t operator()(const session_key &k) const
    {
        return std::hash<std::string_view>()(k.line) ^ (static_cast<std::size_t>(k.pid) * 0x9e3779b97f4a7c15u);
    }
};
using session_set = std::unordered_set<session_key, key_hash>;

session_key key_of(const plat_login &e)
{
    std::string_view line(e.line);
    return {line.substr(0, sizeof user_entry::tty - 1), e.pid};
}

session_key key_of(const user_entry *u)
{
    return {u->tty, u->pid};
}

bool is_login_program(const char *name)
{
    return std::strcmp(name, "login") == 0;
}

// How a login arrived shows in the program that started its process: its
// parent, or, where a login program forked the recorded shell and waits
// for it (Debian's /bin/login under telnetd or getty), the login program's
// parent. A login program recorded itself (a session leader) stands for
// itself. Process 1 makes a login local only when a login program stands
// between them: a terminal program's daemon (a tmux server) is a child of
// process 1 too.
void set_origin(user_entry *u)
{
    int parent = get_ppid(u->pid);
    bool via_login = false;
    if (parent != -1 && is_login_program(get_name(parent))) {
        via_login = true;
        parent = get_ppid(parent);
    } else if (parent != -1) {
        via_login = is_login_program(get_name(u->pid));
    }
    if (parent == -1) {
        std::strcpy(u->prg, "can't access");
        return;
    }
    std::strncpy(u->prg, get_name(parent), sizeof u->prg - 1);
    u->console = via_login && parent == 1;
}

void add_session(const plat_login &e)
{
    user_entry *u = alloc_user(e);
    link_front(u);
    ucount_add(u->prg, u->console, +1);
}

// A login lasts while its process does, also one this user may not read
// (it stays listed, as "can't access"). Where the system cannot even tell
// whether a hidden process exists, the login lasts while its line does.
bool login_lives(const plat_login &e)
{
    switch (plat_pid_exists(e.pid)) {
    case 1:
        return true;
    case 0:
        return false;
    default: {
        std::uint64_t dev;
        return plat_line_device(e.line.c_str(), dev);
    }
    }
}

// The live logins of the database whose process still runs: a record
// whose login process is gone (its daemon was killed, say) ended without
// anyone writing so.
bool read_live(std::vector<plat_login> &live)
{
    if (!plat_logins(live))
        return false;
    std::erase_if(live, [](const plat_login &e) { return !login_lives(e); });
    return true;
}

// The keys of the live logins, each once.
session_set keys_of(const std::vector<plat_login> &live)
{
    session_set keys(live.size());
    for (const plat_login &e : live)
        keys.insert(key_of(e));
    return keys;
}

// Adds at the bottom, in the database's order, each live login whose key
// is still among unlisted, once.
void add_unlisted(const std::vector<plat_login> &live, session_set &unlisted)
{
    for (const plat_login &e : live)
        if (unlisted.erase(key_of(e)))
            add_session(e);
}

} // namespace

user_entry *alloc_user(const plat_login &e)
{
    auto *u = static_cast<user_entry *>(std::calloc(1, sizeof(user_entry)));
    if (!u)
        fatal_exit("Cannot allocate memory.");
    copy_field(u->name, e.user);
    copy_field(u->tty, e.line);
    copy_field(u->host, e.host);
    u->pid = e.pid;
    set_origin(u);
    // A line that names no terminal (an X display) has device 0.
    if (!plat_line_device(u->tty, u->fg.dev))
        u->fg.dev = 0;
    u->line = nusers;
    return u;
}

void ucount_add(const char *prg, bool console, int delta)
{
    bool ssh = std::strncmp(prg, "sshd", 4) == 0;
    bool telnet = std::strncmp(prg, "telnetd", 7) == 0 || std::strncmp(prg, "in.telnetd", 10) == 0;
    bool init = std::strncmp(prg, "init", 4) == 0;
    nusers += delta;
    if (ssh)
        nssh += delta;
    if (telnet)
        ntelnet += delta;
    // Process 1 is the system's init whatever it is called, unless its name
    // already told how the login came (a container whose first process is
    // an ssh daemon).
    if (init || (console && !ssh && !telnet))
        nlocal += delta;
}

void read_utmpx()
{
    std::vector<plat_login> live;
    if (!read_live(live))
        return;
    session_set unlisted = keys_of(live);
    for (const user_entry *u = users_oldest(); u; u = users_newer(u))
        unlisted.erase(key_of(u));
    add_unlisted(live, unlisted);
}

void users_init()
{
    read_utmpx();
}

// A session is its line and its login process. Every listed session the
// database no longer holds goes (an ended login leaves the active database
// on some systems and leaves a record of its end on others, which is not
// always after its start); every live login not yet listed comes at the
// bottom. A read that fails changes nothing: the logins did not end.
void users_update(widget *w)
{
    std::vector<plat_login> live;
    if (!read_live(live))
        return;
    session_set unlisted = keys_of(live);
    // From the bottom up, so that each removal's line is still the one on
    // screen; the lines are numbered afresh once all are gone.
    bool removed = false;
    for (user_entry *u = user_list.older; u != &user_list;) {
        user_entry *next = u->older;
        if (!unlisted.erase(key_of(u))) {
            scr_delline(w, u->line);
            scr_ldeleted(w, u->line);
            ucount_add(u->prg, u->console, -1);
            unlink(u);
            std::free(u);
            removed = true;
        }
        u = next;
    }
    if (removed) {
        int line = 0;
        for (user_entry *u = user_list.newer; u != &user_list; u = u->newer)
            u->line = line++;
    }
    add_unlisted(live, unlisted);
}

const char *proc_ucount()
{
    std::snprintf(ucount_buf, sizeof ucount_buf - 1, "\x01%d users: %d local, %d telnet, %d ssh, %d other\x03", nusers,
                  nlocal, ntelnet, nssh, nusers - nlocal - ntelnet - nssh);
    return ucount_buf;
}

const user_entry *users_oldest()
{
    return users_newer(&user_list);
}

const user_entry *users_newer(const user_entry *u)
{
    return u->newer == &user_list ? nullptr : u->newer;
}

const user_entry *users_at_line(int line)
{
    for (const user_entry *u = users_oldest(); u; u = users_newer(u))
        if (u->line == line)
            return u;
    return nullptr;
}
