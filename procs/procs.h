// Process queries: the one place that asks about processes. Each query
// reads the host when it is called; only owner names are cached.
//
// Texts are returned in static buffers that the next call of the same query
// overwrites (get_w shares get_cmdline's); failure texts are constants.
// Callers copy what they keep.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Set by start-up from kvm_init(): full command lines can be read.
extern int can_use_kvm;
// The switch for full command lines; starts on. Off, every command line is
// the command name alone.
extern int full_cmd;

// 1 when full command lines can be read on this host, else 0.
int kvm_init();

// Stores in *out a newly allocated, zero-filled array of process records
// (release it with std::free, also after a failure: *out is null or the
// array) and returns the number of records; 0 on failure.
int get_all_info(proc_rec **out);

// The parent pid, or -1.
int get_ppid(int pid);
// The command name (at most 128 characters), or "can't access".
const char *get_name(int pid);
// The arguments joined by single spaces, at most 510 characters, cut
// without a mark; the command name when the arguments cannot be had or
// full_cmd is off; "-" when the process cannot be read.
const char *get_cmdline(int pid);
// A login's terminal line as get_w follows it from tick to tick: the
// line's device and the process last seen holding it, which get_w keeps up
// to date. A session keeps one for its line; the holder starts at 0.
struct w_line {
    std::uint64_t dev = 0;          // 0: the line is no terminal (an X display, say)
    int holder = 0;                 // 0: not looked for yet, or none found
    std::uint64_t holder_start = 0; // its start_id: the pid still names it
};
// What runs in the foreground of the terminal line of the login whose
// process is pid: the command line of the leader of the line's foreground
// group, or of another live member when the leader has exited; "-" when
// the line has no foreground group or its processes cannot be read. A line
// that is no terminal answers for pid's own controlling terminal.
const char *get_w(int pid, w_line &line);
// The uid owning the process's entry in the process file system, or -1.
int proc_pid_uid(int pid);
// The user name of uid cut to 8 characters, or the uid in decimal as a
// signed int (4294967295 is "-1"). Made once per uid and valid for the
// whole run; runs out of memory only through allocate_error().
const char *get_owner_name(std::uint32_t uid);
// Forgets every name made, for tests that start afresh; vigil never calls
// it, and a name handed out before is no longer valid.
void owner_reset();
// As getloadavg(3): the number of samples stored, or -1.
int proc_getloadavg(double *loads, int n);
