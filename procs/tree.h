// The process table as a tree of parents and children, kept for the whole
// run and brought up to date in place: a process that keeps its parent
// keeps its node, its place among its siblings and whatever the view hung
// on it. Only the process tree view calls update_tree.
#pragma once

#include <cstdint>

// A place on one of the tree's lists: the next element, and the link that
// points at this element (the previous element's next, or the list's
// head), so that an element leaves its list in constant time.
struct proc_node;
struct tree_link {
    proc_node *next = nullptr;
    proc_node **pprev = nullptr; // null: on no list
};

struct proc_node {
    int pid = 0;
    char state = ' ';            // the letter of the process's last record
    std::uint64_t start_id = 0;  // which process the pid names (proc_rec::start_id)
    proc_node *parent = nullptr; // null until first placed
    proc_node *child = nullptr;  // the head of the child list
    tree_link seen;
    tree_link sibling;
    tree_link hash;
    void *line = nullptr; // the view's display line, or null
};

// Told about the display line of a node that is about to move to another
// parent or to go, or whose pid now names a newer process; it must detach the line from the node (and may detach
// others). Nothing else of the tree changes meanwhile.
using line_gone_fn = void (*)(void *line);

// Reads the process table once and brings the tree up to date: new
// processes come in at the head of their parent's children, moved ones are
// moved there, gone ones are removed (their children going to process 1).
// A read that fails leaves only the fixed nodes 0 and 1.
void update_tree(line_gone_fn gone);

// The tree as before the first read: no nodes, the fixed ones blank and
// holding no line. No line is told about: the caller has let its lines go.
// For tests that start afresh; vigil never calls it.
void tree_reset();

// A pre-order walk of the subtree of pid `top`, one walk at a time. The
// first node is that of pid `first` (node 0 itself is skipped: a walk from
// 0 starts with its first child); null when the tree holds no such node.
proc_node *tree_start(int top, int first);
// The next node of the walk, or null once the subtree is done.
proc_node *tree_next();

// The drawing prefix of a node in the subtree of pid `root`: "-" for the
// root itself; a blank and a mark per level below it ("|" where a sibling
// follows, "`" for the node's own mark when it is the last child), then
// "-"; below 32 levels only the first 32 are drawn and the prefix ends in
// ".". In a static buffer the next call overwrites.
const char *tree_string(int root, const proc_node *node);
