// A platform backend held in memory, for tests of the shared folders. A
// test says what the host looks like in a few lines:
//
//   fake_reset();
//   fake_process({.pid = 100, .ppid = 1, .name = "sshd", .tpgid = 200,
//                 .cmdline = fake_argv({"sshd", "-D"}),
//                 .start = 1700000000, .exe = "/usr/sbin/sshd",
//                 .files = {{.fd = -1, .type = PF_VNODE, .uflags = PF_CDIR, .path = "/"},
//                           {.fd = 3, .type = PF_SOCKET}}});
//   fake_login("alice", "pts/0", "x", 100);
//   fake_passwd({.name = "alice", .dir = "/home/alice", .uid = 1001, .shell = "/bin/sh"});
//   fake_load(0.5, 1, 2);
//   fake_system().boot_time = 1700000000;
//   fake_system().modules = std::vector<plat_module>{{.name = "kernel", .size = 4096, .refs = 1}};
//
// After fake_reset nothing about the host can be read but what a test puts
// there: each fact left out answers "could not read" (false, -1, or zeros
// for the memory figures), as a host that hides it would.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

struct fake_proc {
    int pid = 0;
    int ppid = 0;
    std::string name;
    int tpgid = -1;
    int pgrp = 0;
    std::uint64_t tty = 0; // the controlling terminal's device; 0: none
    std::string cmdline;   // raw bytes as the kernel keeps them (see fake_argv)
    std::uint32_t uid = 0;
    char state = 'S';
    std::int64_t start = -1;    // seconds since the epoch; -1 unknown
    std::uint64_t start_id = 0; // a pid taken again by a newer process has another
    long threads = 1;
    std::uint64_t vsize = 0; // bytes
    std::uint64_t rss = 0;   // bytes
    int state_code = 0;      // 0: the code `state` stands for
    std::string exe;         // empty: plat_proc_exe fails
    std::vector<plat_file> files;
    bool files_unreadable = false; // plat_proc_files fails
};

// Empties the host: no processes, logins, users, load or system figures;
// argument vectors readable; the counters at 0.
void fake_reset();

// Adds the process, or replaces the one with the same pid.
void fake_process(const fake_proc &p);
void fake_process_gone(int pid);
// The process exists but nothing of it can be read, as a system that hides
// other users' processes shows it.
void fake_process_hidden(int pid);
// On: whether a process that cannot be seen exists cannot be told either,
// as on a system whose kernel answers for a hidden process as for none.
void fake_pids_untold(bool yes);
// A terminal line below the device directory and its device number.
void fake_line(const std::string &line, std::uint64_t dev);
// The next reads of the process table fail, or read again.
void fake_table_fails(bool yes);
// Each argument followed by a zero byte.
std::string fake_argv(std::initializer_list<std::string> args);
// What plat_can_read_cmdlines answers.
void fake_cmdlines_readable(bool yes);
// How many times plat_cmdline was called since the last reset.
int fake_cmdline_reads();

// What plat_send_signal sent since the last reset, in order. It sends, as
// the real backends do, only to a pid whose start_id is still the one
// asked for, and only into this list: no real process is signalled.
struct fake_signal {
    int pid;
    int sig;
};
const std::vector<fake_signal> &fake_signals();

// Appends a live login to the login database.
void fake_login(const std::string &user, const std::string &line, const std::string &host, int pid);
void fake_logins_clear();
// The next reads of the login database fail, or read again.
void fake_logins_fail(bool yes);

// A name for a uid (plat_user_name only), and how many times plat_user_name
// was asked since the last reset.
void fake_user(std::uint32_t uid, const std::string &name);
int fake_user_lookups();
// A whole password entry: plat_user_by_name finds it by its name, and
// plat_user_name names its uid with it.
void fake_passwd(const plat_passwd &pw);

void fake_load(double one, double five, double fifteen);
void fake_load_unavailable();

// The whole-system figures. What is left as it is here cannot be read.
struct fake_swap {
    std::uint32_t total = 0; // pages
    std::uint32_t used = 0;
};
struct fake_sys {
    std::int64_t boot_time = -1;
    std::optional<plat_cpu_counters> cpu_total;
    int cpu_count = -1;
    // plat_cpu_each fails too when asked for more processors than this has.
    std::optional<std::vector<plat_cpu_counters>> cpu_each;
    plat_mem mem;
    std::optional<fake_swap> swap;
    long open_files = -1;
    long max_files = -1;
    long used_inodes = -1;
    std::optional<std::vector<plat_module>> modules;
    // Set, the module list fails after handing out this many of its entries.
    std::optional<std::size_t> modules_fail_after;
    std::optional<std::vector<plat_fstype>> fstypes;
    std::optional<std::vector<plat_partition>> partitions;
    std::optional<std::vector<plat_device>> devices;
};
// The live record, to change a figure in place, and the whole of it at once.
fake_sys &fake_system();
void fake_system(const fake_sys &s);
