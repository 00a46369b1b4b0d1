// The facts vigil reads from the host: plain records and the functions that
// fill them. This is the only door to the operating system; one backend per
// system implements it (platform/linux/, platform/freebsd/), tests link a
// fake one (tests/support/fake/).
//
// A backend only gathers facts. It never formats text for the screen and
// never invents fallbacks: "I could not read it" is a false, a -1 or a null,
// and the shared code decides what the user sees.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Where the backend finds the host. Start-up leaves the system's paths in
// place; backend tests point it at fixture files. Users never see it.
struct plat_roots {
    std::string proc = "/proc";
    std::string sys = "/sys";
    std::string utmp = "/var/run/utmp";
    std::string dev = "/dev";
};
extern plat_roots plat_root;

// ---- processes -----------------------------------------------------------

// Process states as both backends number them (FreeBSD's own ki_stat
// values); 0 when the state is none of these.
enum : int {
    PS_NEW = 1,
    PS_RUNNING = 2,
    PS_SLEEPING = 3,
    PS_STOPPED = 4,
    PS_ZOMBIE = 5,
    PS_WAITING = 6,
    PS_LOCK = 7,
};

// One process. A plain record: the table read hands out a zero-filled
// array of them.
struct proc_rec {
    int pid;
    int ppid;
    int pgrp;               // process group
    int tpgid;              // foreground group of the controlling terminal; -1: none
    std::uint64_t tty;      // device number of the controlling terminal; 0: none
    char state;             // R running, S sleeping, D disk wait, Z zombie, T stopped, ? other
    int state_code;         // PS_RUNNING ...; 0: none of them
    char comm[64];          // command name, always terminated
    std::int64_t start;     // start time in seconds since the epoch; -1 unknown
    std::uint64_t start_id; // the start as finely as the kernel keeps it: with the pid, it names one process
    long threads;
    std::uint64_t vsize; // virtual size in bytes
    std::uint64_t rss;   // resident size in bytes, as cheaply as the system tells it
};

// Reads one process; false when it does not exist or cannot be read.
bool plat_proc(int pid, proc_rec &out);

// Whether the process exists: 1 it does (also when it may not be read), 0
// it does not, -1 the system cannot tell this user (it hides other users'
// processes and answers for them as for none).
int plat_pid_exists(int pid);

// A live process (not a zombie) whose controlling terminal is the device
// tty, in process group pgrp when pgrp > 0, looked for at pid and below it,
// nearest first; false when none is found. A login's processes are few:
// this never reads the whole table.
bool plat_tty_member(int pid, std::uint64_t tty, int pgrp, proc_rec &out);

// The device number of the terminal line named line, a path below the
// device directory ("pts/3", "ttyv0"); false when it names no terminal
// there. The name is someone else's text: nothing outside the device
// directory is looked at because of it.
bool plat_line_device(const char *line, std::uint64_t &dev);

// Reads the whole process table, one record per process (never one per
// thread). Stores in *out a newly allocated, zero-filled array (std::calloc;
// the caller releases it with std::free) and returns the number of records
// in it. On failure returns 0 and *out holds null or an array for the
// caller to free: *out is always freeable. This runs on every tick for
// every process: it reads no more per process than one record.
int plat_proc_table(proc_rec **out);

// Copies the raw argument vector (arguments each ended by a zero byte, as
// the kernel keeps them) into buf, at most len bytes, without allocating.
// Returns the number of bytes copied, 0 for an empty vector (a kernel thread
// or a zombie), -1 when it cannot be read.
long plat_cmdline(int pid, char *buf, std::size_t len);

// Whether argument vectors can be read at all on this host.
bool plat_can_read_cmdlines();

// The uid owning the process's entry in the process file system. On Linux
// that is the effective uid; on FreeBSD it is the real uid, and where no
// process file system is mounted the process's real uid stands in, so that
// one host answers the same either way. False when neither is known.
bool plat_proc_owner(int pid, std::uint32_t &uid);

// The resident size in bytes as the kernel counts it (what it reports as
// VmRSS), where the record's own figure is only an estimate; false when it
// cannot be read.
bool plat_proc_rss(int pid, std::uint64_t &bytes);

// The effective uid of the process; false when it cannot be read.
bool plat_proc_euid(int pid, std::uint32_t &uid);

// The path of the process's executable; false when it cannot be read.
bool plat_proc_exe(int pid, std::string &path);

// One entry of a process's open-file list. Entries that are not
// descriptors (the executable, the working and the root directory) have
// fd -1 and come first, as the system lists them; the descriptors follow in
// ascending order.
struct plat_file {
    int fd = -1;
    int type = 0;     // PF_VNODE ... as FreeBSD numbers descriptor types; others mean "other"
    int uflags = 0;   // PF_RDIR, PF_CDIR, PF_TEXT
    std::string path; // empty when the entry has none
};
enum : int { PF_VNODE = 1, PF_FIFO = 2, PF_SOCKET = 3, PF_PIPE = 4, PF_KQUEUE = 6, PF_SHM = 9, PF_OTHER = 11 };
enum : int { PF_RDIR = 1, PF_CDIR = 2, PF_TEXT = 8 };

// An open-file list read for a window of it: a process may hold thousands
// of descriptors, and only those a window shows are read and typed.
struct plat_files {
    std::vector<plat_file> used; // every entry that is not a descriptor, in the list's order
    std::size_t fd_count = 0;    // the descriptors that follow them
    std::size_t fd_first = 0;    // the place among those of fds[0]; at most fd_count
    std::vector<plat_file> fds;  // the descriptors in the window; fd_first + their number <= fd_count
};

// Reads the list for a window of count entries from entry first of the
// whole list (the entries that are not descriptors, then the descriptors):
// all of the former, the number of the latter, and those of the latter
// that fall in the window. False (and out empty) when it cannot be read.
bool plat_proc_files(int pid, std::size_t first, std::size_t count, plat_files &out);

// ---- accounts ------------------------------------------------------------

// The login name of uid in the password database; false when it has none.
bool plat_user_name(std::uint32_t uid, std::string &name);

// A password-database entry.
struct plat_passwd {
    std::string name;
    std::string dir;
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
    std::string shell;
    std::string gecos;
};
// The entry of a login name; false when there is none.
bool plat_user_by_name(const char *name, plat_passwd &out);

// ---- logins --------------------------------------------------------------

// One live login of the login database.
struct plat_login {
    std::string user;
    std::string line;
    std::string host;
    int pid = 0;
};

// Every live login, in the database's order; ended sessions and every other
// kind of record are left out. False when the database cannot be read (an
// empty database is a true with no entries). Never waits on a lock.
bool plat_logins(std::vector<plat_login> &out);

// ---- load ----------------------------------------------------------------

// Up to n (at most 3) load averages into loads, as getloadavg(3): returns
// the number of samples stored, or -1 when they cannot be read.
int plat_loadavg(double *loads, int n);

// ---- the system ----------------------------------------------------------

// Boot time in seconds since the epoch; false when it cannot be read.
bool plat_boot_time(std::int64_t &secs);

// Processor time counters in the order user, nice, system, interrupt, idle.
using plat_cpu_counters = std::array<long, 5>;
// Over all processors; false when they cannot be read.
bool plat_cpu_total(plat_cpu_counters &out);
// The number of processors, or -1.
int plat_cpu_count();
// One entry per processor for ncpu processors; false when they cannot be
// read.
bool plat_cpu_each(int ncpu, std::vector<plat_cpu_counters> &out);

// Memory figures; a figure that cannot be read is left 0. The page queues
// (free, active, inactive, laundry, wired) hold no page twice.
struct plat_mem {
    int page_size = 0;
    std::uint32_t free = 0, active = 0, inactive = 0, laundry = 0, wired = 0; // pages
    std::uint64_t bufspace = 0, swap_total = 0, realmem = 0, physmem = 0;     // bytes
    std::uint64_t available = 0; // pages the system could hand out without swapping
};
void plat_mem_info(plat_mem &out);
// Swap over all devices in pages; false when it cannot be read.
bool plat_swap_info(std::uint32_t &total, std::uint32_t &used);

// Open files, the most files the system allows, and the used file nodes of
// the root file system; -1 when unknown.
long plat_open_files();
long plat_max_files();
long plat_used_inodes();

// A loaded kernel module.
struct plat_module {
    std::string name;
    std::size_t size = 0;
    int refs = 0;
    std::uintptr_t address = 0;
};
// The modules in load order. False when the list cannot be read; what was
// read before a failure stays in out.
bool plat_modules(std::vector<plat_module> &out);

// A filesystem type and its flags, as FreeBSD's VFCF_ bits.
struct plat_fstype {
    std::string name;
    std::uint32_t flags = 0;
};
enum : std::uint32_t {
    FSF_STATIC = 0x10000,
    FSF_NETWORK = 0x20000,
    FSF_READONLY = 0x40000,
    FSF_SYNTHETIC = 0x80000,
    FSF_LOOPBACK = 0x100000,
    FSF_UNICODE = 0x200000,
    FSF_JAIL = 0x400000,
    FSF_DELEGADMIN = 0x800000,
};
bool plat_fstypes(std::vector<plat_fstype> &out);

// A whole disk or a partition, with its size in bytes.
struct plat_partition {
    std::string name;
    std::int64_t size = 0;
};
bool plat_partitions(std::vector<plat_partition> &out);

// The device tree in pre-order (each device before its children), the root
// itself left out.
struct plat_device {
    std::string name;
    std::string driver;
    bool has_driver = false;
    bool attached = false; // attached to a driver, or busy
};
bool plat_devices(std::vector<plat_device> &out);

// ---- signals -------------------------------------------------------------

// Sends sig to pid only while pid names the process whose record gave
// start_id: a pid that has gone, or that names a newer process, gets
// nothing. False when nothing was sent.
bool plat_send_signal(int pid, std::uint64_t start_id, int sig);

// The signals of this system, beyond those every system has, whose default
// action ends the process: those a fault raises, and the others.
std::span<const int> plat_crash_signals();
std::span<const int> plat_fatal_signals();
