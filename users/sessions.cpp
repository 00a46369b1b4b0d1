#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
user_entry user_list = {&user_list, &user_list, {}, {}, 0, {}, {}, 0, false};
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
template <std::size_t N>
void copy_field(char (&dst)[N], const std::string &src)
{
    std::memcpy(dst, src.data(), std::min(src.size(), N - 1));
}

// Lines are compared over the width the record keeps, so a line name that
// fills it still finds its session.
bool same_session(const user_entry *u, const plat_login &e)
{
    return u->pid == e.pid && std::strncmp(u->tty, e.line.c_str(), sizeof u->tty - 1) == 0;
}

void add_session(const plat_login &e)
{
    user_entry *u = alloc_user(e);
    link_front(u);
    ucount_add(u->prg, u->init_parent, +1);
}

bool listed(const plat_login &e)
{
    for (user_entry *u = user_list.older; u != &user_list; u = u->older)
        if (same_session(u, e))
            return true;
    return false;
}

// The live logins of the database whose process still runs: a record
// whose login process is gone (its daemon was killed, say) ended without
// anyone writing so.
bool read_live(std::vector<plat_login> &live)
{
    if (!plat_logins(live))
        return false;
    std::erase_if(live, [](const plat_login &e) { return get_ppid(e.pid) == -1; });
    return true;
}

void remove_session(widget *w, user_entry *u)
{
    int gone = u->line;
    scr_delline(w, gone);
    scr_ldeleted(w, gone);
    for (user_entry *v = user_list.older; v != &user_list; v = v->older)
        if (v->line > gone)
            --v->line;
    ucount_add(u->prg, u->init_parent, -1);
    unlink(u);
    std::free(u);
}

}  // namespace

user_entry *alloc_user(const plat_login &e)
{
    auto *u = static_cast<user_entry *>(std::calloc(1, sizeof(user_entry)));
    if (!u)
        fatal_exit("Cannot allocate memory.");
    copy_field(u->name, e.user);
    copy_field(u->tty, e.line);
    copy_field(u->host, e.host);
    u->pid = e.pid;
    int parent = get_ppid(u->pid);
    if (parent == -1) {
        std::strcpy(u->prg, "can't access");
    } else {
        std::strncpy(u->prg, get_name(parent), sizeof u->prg - 1);
        // Process 1 is the system's init whatever it is called.
        u->init_parent = parent == 1;
    }
    u->line = nusers;
    return u;
}

void ucount_add(const char *prg, bool init_parent, int delta)
{
    bool ssh = std::strncmp(prg, "sshd", 4) == 0;
    bool telnet = std::strncmp(prg, "telnetd", 7) == 0;
    bool init = std::strncmp(prg, "init", 4) == 0;
    nusers += delta;
    if (ssh)
        nssh += delta;
    if (telnet)
        ntelnet += delta;
    // Process 1 is the system's init whatever it is called, unless its name
    // already told how the login came (a container whose first process is
    // an ssh daemon).
    if (init || (init_parent && !ssh && !telnet))
        nlocal += delta;
}

void read_utmpx()
{
    std::vector<plat_login> live;
    if (!read_live(live))
        return;
    for (const plat_login &e : live)
        if (!listed(e))
            add_session(e);
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
    for (user_entry *u = user_list.newer; u != &user_list;) {
        user_entry *next = u->newer;
        if (std::none_of(live.begin(), live.end(), [u](const plat_login &e) { return same_session(u, e); }))
            remove_session(w, u);
        u = next;
    }
    for (const plat_login &e : live)
        if (!listed(e))
            add_session(e);
}

const char *proc_ucount()
{
    std::snprintf(ucount_buf, sizeof ucount_buf - 1, "\x01%d users: %d local, %d telnet, %d ssh, %d other\x03",
                  nusers, nlocal, ntelnet, nssh, nusers - nlocal - ntelnet - nssh);
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
