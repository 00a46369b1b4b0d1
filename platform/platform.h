// The facts vigil reads from the host: plain records and the functions that
// fill them. This is the only door to the operating system; one backend per
// system implements it (platform/linux/, platform/freebsd/), tests link a
// fake one (tests/support/fake/).
//
// A backend only gathers facts. It never formats text for the screen and
// never invents fallbacks: "I could not read it" is a false, a -1 or a null,
// and the shared code decides what the user sees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Where the backend finds the host. Start-up leaves the system's paths in
// place; backend tests point it at fixture files. Users never see it.
struct plat_roots {
    std::string proc = "/proc";
    std::string utmp = "/var/run/utmp";
};
extern plat_roots plat_root;

// ---- processes -----------------------------------------------------------

// One process. A plain record: the table read hands out a zero-filled
// array of them.
struct proc_rec {
    int pid;
    int ppid;
    int tpgid;                   // foreground group of the controlling terminal; -1: none
    char state;                  // R running, S sleeping, D disk wait, Z zombie, T stopped, ? other
    char comm[64];               // command name, always terminated
    std::uint64_t start_ticks;   // start time in clock ticks after boot
    long threads;
    std::uint64_t vsize;         // virtual size in bytes
    std::uint64_t rss;           // resident size in bytes
    std::uint32_t uid;           // effective uid
};

// Reads one process; false when it does not exist or cannot be read.
bool plat_proc(int pid, proc_rec &out);

// Reads the whole process table. Stores in *out a newly allocated,
// zero-filled array (std::calloc; the caller releases it with std::free)
// and returns the number of records in it. On failure returns 0 and *out
// holds null or an array for the caller to free: *out is always freeable.
int plat_proc_table(proc_rec **out);

// Copies the raw argument vector (arguments each ended by a zero byte, as
// the kernel keeps them) into buf, at most len bytes, without allocating.
// Returns the number of bytes copied, 0 for an empty vector (a kernel thread
// or a zombie), -1 when it cannot be read.
long plat_cmdline(int pid, char *buf, std::size_t len);

// Whether argument vectors can be read at all on this host.
bool plat_can_read_cmdlines();

// The uid owning the process's entry in the process file system; false
// when there is none.
bool plat_proc_owner(int pid, std::uint32_t &uid);

// ---- accounts ------------------------------------------------------------

// The login name of uid in the password database; false when it has none.
bool plat_user_name(std::uint32_t uid, std::string &name);

// ---- logins --------------------------------------------------------------

// One entry of the login database: a login (user set) or an ended session
// (user empty, line kept). Every other kind of record is skipped by the
// backend.
struct plat_login {
    std::string user;
    std::string line;
    std::string host;
    int pid = 0;
};

// A walk over the login database, in the database's order, mirroring
// setutxent/getutxent/endutxent. A database that cannot be read yields no
// entries.
void plat_logins_open();
bool plat_logins_next(plat_login &out);
void plat_logins_close();

// ---- load ----------------------------------------------------------------

// Up to n (at most 3) load averages into loads, as getloadavg(3): returns
// the number of samples stored, or -1 when they cannot be read.
int plat_loadavg(double *loads, int n);
