// How the values of a kernel process record (FreeBSD's kinfo_proc) become a
// proc_rec. The FreeBSD backend only copies the record's fields into a
// kproc_fields; every choice about them is made here, in plain numbers, so
// that the tests of any build can check it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

// The bits and numbers of the record this logic reads, with the kernel's
// values. The FreeBSD backend checks the two flags against its headers when
// it compiles; the kernel keeps its "no process" number to itself.
constexpr long KPROC_CTTY = 0x1;     // in the record flags: a controlling terminal is attached
constexpr long KPROC_SINTR = 0x8;    // in the thread flags: a sleep that a signal can break
constexpr int KPROC_NO_PID = 100000; // the foreground group of a terminal that has none (one above any pid)

// The fields of one record, each as the kernel gives it.
struct kproc_fields {
    int pid = 0;
    int ppid = 0;
    int pgid = 0;
    int tpgid = 0;
    std::uint64_t tdev = 0;     // the controlling terminal's device; all ones for none
    long kiflag = 0;            // record flags (KPROC_CTTY)
    int stat = 0;               // the state, numbered as PS_NEW ... PS_LOCK
    long tdflags = 0;           // flags of the process's thread (KPROC_SINTR)
    std::string_view comm;      // the command name, without its terminator
    std::int64_t start_sec = 0; // start, seconds since the epoch; 0 when the record has none
    long start_usec = 0;        // and the microseconds of that second
    long threads = 0;
    std::uint64_t size = 0;     // virtual size in bytes
    std::int64_t rss_pages = 0; // resident size in pages
};

// The letter of proc_rec::state for a kernel state.
char kproc_state_letter(int stat, long tdflags);

// The state number of proc_rec::state_code: the kernel's own, or 0 when it
// is none of those vigil knows.
int kproc_state_code(int stat);

// The foreground process group of the process's controlling terminal, or
// -1 when there is none to look at.
int kproc_foreground_group(long kiflag, int tpgid);

// The device of the process's controlling terminal, or 0 when it has none.
std::uint64_t kproc_terminal(long kiflag, std::uint64_t tdev);

// The whole record.
proc_rec kproc_to_rec(const kproc_fields &f, long page_size);
