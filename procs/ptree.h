// The process tree view: one line per process below a login (Enter on the
// user list) or below process 1 ("t"), lines that follow their processes
// as they come and go, the task counts on the info bar, four signals for
// the process under the bar, and search.
#pragma once

#include <cstdint>

#include "core/widget.h"
#include "procs/tree.h"

// One display line: the process it shows, and what was last read of that
// process for it. The lines stand in display order, a line's place its row,
// in the order of the walk from the root; a line whose process went or
// moved has no node until the next sync drops it.
struct ptree_line {
    proc_node *node;
    char *cmdline; // the command line last read for the line; null: not yet
    int uid;       // its owner last read, when uid_read
    bool uid_read;
};

void ptree_reg(widget *w);
void ptree_sync(widget *w);
void ptree_detach(void *line);
void ptree_status(widget *w);
void ptree_redraw(widget *w);
int ptree_keyh(widget *w, int key);
void *ptree_msgh(widget *w, int type, widget *sender, void *datum);
// The signal a key sends while the tree is shown: Ctrl with I, K, T or U,
// whatever other modifiers it carries; 0 for any other key.
int ptree_signal_of(int key);
// Sends one signal to the process pid names while it is the one that
// started at start_id, never to process 0, 1 or vigil itself, and returns
// the outcome text in a buffer of its own that the next call overwrites.
const char *send_signal(int sig, int pid, std::uint64_t start_id);
