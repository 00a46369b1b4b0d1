// The session list: one record per logged-in terminal line, read from the
// login database at start and kept up to date on every tick, with running
// counts by how each login arrived.
#pragma once

#include "core/widget.h"
#include "platform/platform.h"
#include "procs/procs.h"

struct user_entry {
    user_entry *newer; // towards the front of the list (the newest)
    user_entry *older; // towards the back (the oldest)
    char name[33];
    char tty[17]; // identifies the session in later updates
    int pid;      // login process
    char prg[16]; // command name of the program the login came through, or "can't access"
    char host[129];
    int line;     // the session's line on the user list, from 0
    bool console; // the login came through a login program that process 1 started
    // Where the line's foreground is found: get_w keeps it up to date on
    // every look, also through a record read as const.
    mutable w_line fg;
};

// Sessions by kind; "other" is nusers - nlocal - ntelnet - nssh.
extern int nusers;
extern int nlocal;
extern int ntelnet;
extern int nssh;

// Reads the login database at start; it is read_utmpx.
void users_init();
// Adds every live login of the database: one session per line and login
// process. A login whose process is gone is none.
void read_utmpx();
// A new record from one database entry, taking the next free line; the
// caller links and counts it. Ends the program when memory runs out.
user_entry *alloc_user(const plat_login &e);
// Adds delta (+1, -1) to the counters for one session that came through
// the program named prg; console (a login program started by process 1)
// counts it as local unless the name says ssh or telnet.
void ucount_add(const char *prg, bool console, int delta);
// Brings the list up to date with the database: sessions (a line and its
// login process) no longer there are removed with their pad row in w, the
// rows below and w's bar moving up; new ones are added at the bottom. A
// failed read changes nothing. Does not redraw. Costs a look-up per
// record, however many there are.
void users_update(widget *w);
// "\x01N users: N local, N telnet, N ssh, N other\x03" in a static buffer
// that the next call overwrites.
const char *proc_ucount();

// Walking the list from the oldest session (line 0) to the newest; both
// give null past the end. The records belong to the list and live until
// their session ends: read them, never keep them past a tick.
const user_entry *users_oldest();
const user_entry *users_newer(const user_entry *u);
// The session on a line, or null.
const user_entry *users_at_line(int line);
