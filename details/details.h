// The detail window: a framed window over the lists with one of three
// reports ("d" the details of what the bar is on, "s" the system, "p"
// nothing), and the output operations every report writes through.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "core/widget.h"

// The detail window's widget; exti_reg stores it.
extern widget *exti;

void exti_reg(widget *w);
int exti_keyh(widget *w, int key);
void *exti_msgh(widget *w, int type, widget *sender, void *datum);
void exti_redraw(widget *w);
void exti_periodic(widget *w);
// The window as it is before exti_reg: no widget, "d" on the user report,
// no source chosen; for tests that start afresh, never called by vigil.
void exti_reset();
// True while the window makes its report for a tick or for a source just
// chosen; false while it draws the same look again, to scroll or to fit a
// resized terminal. A report that measures change over time measures only
// on a new look, so scrolling does not shorten what it measures over.
bool exti_new_look();

// Output operations. A report begins with plgn_out_start and writes rows
// from the window's top-left; the text continues on the next row at a
// newline or at the pad's right edge. Only the rows in view reach the pad,
// and last_line ends up on the last row that holds text, which is where
// scrolling down stops. Each formats at most 255 characters.
void plgn_out_start();
void println(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
void print(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
// In bold.
void title(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
void newln();
// Display text of any length, cut into rows of the window's width.
void print_wrapped(const char *text);
// Tables whose rows are counted before they are read: one row per entry.
// table_row formats like print and writes on the current row only, cutting
// what passes the pad's right edge, then goes to the next row. skip_rows
// counts n rows out of view without laying them out: scrolling still
// reaches past them. rows_in_view tells which entries of such a table, its
// first row `ahead` rows below the next one, have their rows in view:
// `count` of them from `first`.
void table_row(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
void skip_rows(std::size_t n);
void rows_in_view(int ahead, std::size_t &first, std::size_t &count);

// The reports.
void euser(void *name);
void eproc(void *pid);
void esys(void *);
// The start of a process and the boot of the system in seconds since the
// epoch, or -1; the boot time is asked of the system until it answers once.
long sys_start_time(int pid);
long sys_boot_time();

// The sections of the system report, in the report's order.
//
// A sample of the processor time counters, in ticks since boot.
struct counters {
    std::uint64_t user = 0, nice = 0, sys = 0, idle = 0;
};
// Stores a new sample and returns 0, or -1 with the sample unchanged.
int sys_cpu_info(counters *c);
void sys_mem_info();
// Counts, or -1 when they cannot be read.
long sys_open_files();
long sys_open_inodes();
long sys_max_files();
void sys_stat_info();
void sys_modules_info();
void sys_filesystems_info();
void sys_partitions_info();
void sys_devices_info();
