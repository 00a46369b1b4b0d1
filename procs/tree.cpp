#include "procs/tree.h"

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

#include "core/curses_init.h"
#include "procs/procs.h"

namespace {

proc_node fixed_node(int pid)
{
    proc_node n;
    n.pid = pid;
    return n;
}

// The two nodes that always exist. Node 1 is where orphans go.
proc_node node0 = fixed_node(0);
proc_node node1 = fixed_node(1);

// Chains by pid & (buckets - 1), the newest first. 128 buckets to begin
// with, as many as a small host needs; a fixed 128 would make every lookup
// walk a chain of n/128 nodes, and a read of the table quadratic in the
// number of processes (more than a second at 30,000). So the table doubles
// whenever the nodes outnumber its buckets, and a chain holds one node or
// so whatever the host: pids are handed out nearly in sequence, so their
// low bits spread them evenly.
std::vector<proc_node *> tree_hash(128);
std::size_t tree_nodes = 0; // on the chains: every node but the fixed two
proc_node *tree_seen = nullptr;
// One removed node kept for the next node made.
proc_node *tree_spare = nullptr;

// The walk in progress.
proc_node *walk_bound = nullptr;
proc_node *walk_pos = nullptr;

char prefix_buf[66];

template <tree_link proc_node::*L> void link_head(proc_node *&head, proc_node *n)
{
    tree_link &l = n->*L;
    l.next = head;
    if (head)
        (head->*L).pprev = &l.next;
    head = n;
    l.pprev = &head;
}

template <tree_link proc_node::*L> void unlink(proc_node *n)
{
    tree_link &l = n->*L;
    if (!l.pprev)
        return;
    if (l.next)
        (l.next->*L).pprev = l.pprev;
    *l.pprev = l.next;
    l.next = nullptr;
    l.pprev = nullptr;
}

proc_node *fixed(int pid)
{
    return pid == 0 ? &node0 : pid == 1 ? &node1 : nullptr;
}

proc_node *&bucket(int pid)
{
    return tree_hash[static_cast<unsigned>(pid) & (tree_hash.size() - 1)];
}

// Twice the buckets, every node moved to its new chain.
void grow_hash()
{
    std::vector<proc_node *> old(tree_hash.size() * 2);
    old.swap(tree_hash);
    for (proc_node *head : old)
        for (proc_node *n = head, *next; n; n = next) {
            next = n->hash.next;
            link_head<&proc_node::hash>(bucket(n->pid), n);
        }
}

proc_node *lookup(int pid)
{
    if (proc_node *f = fixed(pid))
        return f;
    for (proc_node *n = bucket(pid); n; n = n->hash.next)
        if (n->pid == pid)
            return n;
    return nullptr;
}

// The node of a pid met in the read, made when it is new, and counted as
// seen. The fixed nodes are never on the seen list.
proc_node *tree_find_add(int pid)
{
    if (proc_node *f = fixed(pid))
        return f;
    proc_node *n = lookup(pid);
    if (n) {
        unlink<&proc_node::seen>(n);
    } else {
        void *room = tree_spare;
        tree_spare = nullptr;
        if (!room)
            room = std::malloc(sizeof(proc_node));
        if (!room)
            allocate_error();
        n = new (room) proc_node;
        n->pid = pid;
        if (++tree_nodes > tree_hash.size())
            grow_hash();
        link_head<&proc_node::hash>(bucket(pid), n);
    }
    link_head<&proc_node::seen>(tree_seen, n);
    return n;
}

// True when n lies in the subtree of top (n itself included).
bool below(const proc_node *n, const proc_node *top)
{
    for (; n; n = n->parent)
        if (n == top)
            return true;
    return false;
}

void move_under(proc_node *p, proc_node *q, line_gone_fn gone)
{
    if (p->line)
        gone(p->line);
    unlink<&proc_node::sibling>(p);
    link_head<&proc_node::sibling>(q->child, p);
    p->parent = q;
}

void remove_node(proc_node *n, line_gone_fn gone)
{
    // The children go to process 1 first. They change their place in the
    // tree, so their lines are told about like any move: a view that kept
    // them would hold lines out of the order of its walk.
    while (proc_node *c = n->child)
        move_under(c, &node1, gone);
    unlink<&proc_node::sibling>(n);
    if (n->line)
        gone(n->line);
    unlink<&proc_node::hash>(n);
    --tree_nodes;
    n->~proc_node();
    std::free(tree_spare);
    tree_spare = n;
}

} // namespace

void update_tree(line_gone_fn gone)
{
    proc_node *previous = tree_seen;
    if (previous)
        previous->seen.pprev = &previous;
    tree_seen = nullptr;
    // The fixed nodes show what their own records say, or nothing.
    node0.state = node1.state = ' ';

    proc_rec *recs = nullptr;
    int n = get_all_info(&recs);
    for (int i = 0; i < n; ++i) {
        proc_node *p = tree_find_add(recs[i].pid);
        proc_node *q = tree_find_add(recs[i].ppid);
        if (recs[i].state)
            p->state = recs[i].state;
        // The pid was taken again between two reads: to the view this is
        // another process, whose line is made afresh, so that a line
        // never stands for a process other than the one it was made for.
        if (p->start_id != recs[i].start_id) {
            if (p->line)
                gone(p->line);
            p->start_id = recs[i].start_id;
        }
        // A record whose parent is itself, or one that would hang a process
        // below its own descendant (pids reused while the table was read),
        // changes nothing: the tree never holds a cycle.
        if (p->parent == q || p == q || below(q, p))
            continue;
        move_under(p, q, gone);
    }
    std::free(recs);

    while (proc_node *g = previous) {
        unlink<&proc_node::seen>(g);
        remove_node(g, gone);
    }
}

void tree_reset()
{
    for (proc_node *&head : tree_hash)
        while (proc_node *n = head) {
            head = n->hash.next;
            n->~proc_node();
            std::free(n);
        }
    tree_hash.assign(128, nullptr);
    tree_nodes = 0;
    tree_seen = nullptr;
    std::free(tree_spare);
    tree_spare = nullptr;
    node0 = fixed_node(0);
    node1 = fixed_node(1);
    walk_bound = walk_pos = nullptr;
}

proc_node *tree_start(int top, int first)
{
    walk_bound = lookup(top);
    walk_pos = walk_bound ? lookup(first) : nullptr;
    if (walk_pos == &node0)
        walk_pos = node0.child;
    return walk_pos;
}

proc_node *tree_next()
{
    if (!walk_pos)
        return nullptr;
    if (walk_pos->child)
        return walk_pos = walk_pos->child;
    while (walk_pos != walk_bound) {
        if (walk_pos->sibling.next)
            return walk_pos = walk_pos->sibling.next;
        walk_pos = walk_pos->parent;
        if (!walk_pos)
            break;
    }
    return walk_pos = nullptr;
}

const char *tree_string(int root, const proc_node *node)
{
    int d = 0;
    for (const proc_node *n = node; n && n->pid != root; n = n->parent)
        ++d;
    if (root == 0)
        --d;
    if (d <= 0)
        return "-";
    const proc_node *n = node;
    int pairs = d;
    bool own = true;
    // Deeper than 32 levels: the ancestor at level 32 stands for the rest.
    if (d > 32) {
        for (int i = 0; i < d - 32; ++i)
            n = n->parent;
        pairs = 32;
        own = false;
    }
    for (int k = pairs; k >= 1; --k, n = n->parent) {
        bool follows = n->sibling.next != nullptr;
        prefix_buf[2 * (k - 1)] = ' ';
        prefix_buf[2 * (k - 1) + 1] = follows ? '|' : k == pairs && own ? '`' : ' ';
    }
    prefix_buf[2 * pairs] = d > 32 ? '.' : '-';
    prefix_buf[2 * pairs + 1] = '\0';
    return prefix_buf;
}
