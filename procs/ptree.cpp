#include "procs/ptree.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "bars/search.h"
#include "core/curses_init.h"
#include "core/text.h"
#include "details/details.h"
#include "kbd/kbd.h"
#include "procs/procs.h"

namespace {

const char whole_tree_help[] = "\x01[ENT]users [d]etails [o]wner [s]ysinfo [l]ine-numbers [^t]ERM [/]search";
const char login_tree_help[] = "\x01[ENT]users all[t]ree [d]etails [o]wner [s]ysinfo [l]ine-numbers [^t]ERM [/]search";

// The display lines in display order: the line at i shows on row i. A
// vector rather than a list so that the line under the bar, the first line
// in view and the first line a search looks at are found at once, not by
// walking tens of thousands of lines on every key. Every sync builds the
// new order in walked_lines and swaps the two; both keep their room from
// tick to tick.
std::vector<ptree_line *> ptree_lines;
std::vector<ptree_line *> walked_lines;
int ptree_root = 1;
bool show_owner = false;
bool show_lnum = false;
int ptree_last_key = 0;
int crsr_answer = 0;

// total, running, sleeping, stopped, zombie; counted afresh on every sync,
// since a line's state can change while the line lives.
enum { C_TOTAL, C_RUNNING, C_SLEEPING, C_STOPPED, C_ZOMBIE };
std::array<std::uint32_t, 5> ptree_counts{};

// The state column: a letter takes the colour byte at its place in
// state_chars, any other letter colour byte 3. A sleeping process shows a
// blank.
constexpr char state_chars[] = "R DZT?";
constexpr char state_colours[] = "\x05\x02\x06\x04\x07\x07";

// What the last signal key did, shown after the counts until the tick
// after next, so that the sync right after the key does not wipe it.
char outcome[72];
std::chrono::steady_clock::time_point outcome_until;
constexpr std::chrono::seconds outcome_shown{4};

bool shown(const widget *w)
{
    return w->refresh != nullptr;
}

char state_colour(char s)
{
    const char *at = std::strchr(state_chars, s);
    return s && at ? state_colours[at - state_chars] : '\x03';
}

void count(char s)
{
    ++ptree_counts[C_TOTAL];
    if (s == 'R')
        ++ptree_counts[C_RUNNING];
    else if (s == 'S' || s == 'D')
        ++ptree_counts[C_SLEEPING];
    else if (s == 'T')
        ++ptree_counts[C_STOPPED];
    else if (s == 'Z')
        ++ptree_counts[C_ZOMBIE];
}

ptree_line *new_line(proc_node *n)
{
    auto *l = static_cast<ptree_line *>(std::calloc(1, sizeof(ptree_line)));
    if (!l)
        allocate_error();
    l->node = n;
    n->line = l;
    return l;
}

void free_line(ptree_line *l)
{
    if (l->node)
        l->node->line = nullptr;
    std::free(l->cmdline);
    std::free(l);
}

const ptree_line *line_at(int number)
{
    if (number < 0 || static_cast<std::size_t>(number) >= ptree_lines.size())
        return nullptr;
    const ptree_line *l = ptree_lines[static_cast<std::size_t>(number)];
    return l->node ? l : nullptr;
}

void free_lines()
{
    for (ptree_line *l : ptree_lines)
        free_line(l);
    // The room of both goes with the lines: the user list is on screen.
    std::vector<ptree_line *>().swap(ptree_lines);
    std::vector<ptree_line *>().swap(walked_lines);
}

// What was read for a line. A line stands for one process (a pid taken
// again gets a line of its own), and a process's command line changes only
// when it rewrites its arguments, its owner only when it changes its uid:
// a search reads a line only when nothing was read for it yet, so a key
// typed into the search line reads nothing for lines already known. Every
// repaint reads the lines it shows again, and keeps what it read.
const char *keep_cmdline(ptree_line *l, const char *text)
{
    if (l->cmdline && std::strcmp(l->cmdline, text) == 0)
        return l->cmdline;
    std::free(l->cmdline);
    l->cmdline = strdup(text);
    if (!l->cmdline)
        allocate_error();
    return l->cmdline;
}

const char *cmdline_of(ptree_line *l)
{
    return l->cmdline ? l->cmdline : keep_cmdline(l, get_cmdline(l->node->pid));
}

const char *owner_of(ptree_line *l, bool read_again)
{
    if (read_again || !l->uid_read) {
        l->uid = proc_pid_uid(l->node->pid);
        l->uid_read = true;
    }
    return get_owner_name(static_cast<std::uint32_t>(l->uid));
}

void show(widget *w, int key)
{
    ptree_root = 1;
    if (key == KBD_ENTER)
        if (const int *pid = wmsg_want_upid(w))
            ptree_root = *pid;
    wmsg_esource(w, eproc);
    wmsg_help(w, ptree_root == 1 ? whole_tree_help : login_tree_help);
    ptree_sync(w);
    w->periodic = ptree_sync;
    w->msgh = ptree_msgh;
    w->redraw = ptree_redraw;
    w->refresh = scr_wrefresh;
    w->flags |= W_DIRTY;
    w->crsr = 0;
    w->first_row = 0;
}

void hide(widget *w)
{
    w->refresh = nullptr;
    w->redraw = nullptr;
    free_lines();
    w->periodic = nullptr;
    w->msgh = nullptr;
    wmsg_info(w, nullptr);
    ptree_counts = {};
    outcome[0] = '\0';
}

// The signal of a signal key's letter, or 0.
int signal_of_letter(int letter)
{
    switch (letter) {
    case 'I':
        return SIGINT;
    case 'K':
        return SIGKILL;
    case 'T':
        return SIGTERM;
    case 'U':
        return SIGHUP;
    default:
        return 0;
    }
}

void signal_key(widget *w, int sig)
{
    // No line under the bar (an empty view): there is nobody to signal.
    const ptree_line *l = line_at(w->crsr);
    if (!l)
        return;
    send_signal(sig, l->node->pid, l->node->start_id);
    outcome_until = std::chrono::steady_clock::now() + outcome_shown;
    ptree_sync(w);
    w->flags |= W_DIRTY;
}

bool line_matches(ptree_line *l)
{
    // Not snprintf: a search formats the pid of every line it passes.
    char pid[16];
    *std::to_chars(pid, pid + sizeof pid - 1, l->node->pid).ptr = '\0';
    return reg_match(pid) || (show_owner && reg_match(owner_of(l, false))) || reg_match(cmdline_of(l));
}

void *search(widget *w, int mode)
{
    long from = mode == SEARCH_FROM ? w->crsr : mode == SEARCH_AFTER ? w->crsr + 1L : 0;
    for (std::size_t i = from < 0 ? 0 : static_cast<std::size_t>(from); i < ptree_lines.size(); ++i) {
        ptree_line *l = ptree_lines[i];
        if (l->node && line_matches(l)) {
            scr_crsr_jmp(w, static_cast<int>(i));
            return wmsg_answer(SEARCH_FOUND);
        }
    }
    return wmsg_answer(SEARCH_NOTHING);
}

// One line as the view shows it: line number, pid, state, owner, the
// tree's prefix and the command line, cut to the width of the view. The
// owner name and the command line were written by other people.
void format_line(widget *w, ptree_line *l, int number)
{
    int width = static_cast<std::int32_t>(w->right) - static_cast<std::int32_t>(w->left) + 1;
    disp_line out(w->scr->line_buf, static_cast<std::size_t>(w->scr->line_size), width);
    char own[32];
    if (show_lnum) {
        std::snprintf(own, sizeof own, "\x06%4d ", number + 1);
        out.own(own);
    }
    int pid = l->node->pid;
    char s = l->node->state;
    std::snprintf(own, sizeof own, "\x03%5d %c%c ", pid, state_colour(s), s == 'S' ? ' ' : s);
    out.own(own);
    if (show_owner)
        out.own("\x03").column(owner_of(l, true), 8, 11).own(" ");
    out.own("\x02").own(tree_string(ptree_root, l->node)).own(" \x03").text(keep_cmdline(l, get_cmdline(pid)));
}

} // namespace

void ptree_reg(widget *w)
{
    w->keyh = ptree_keyh;
    w->msgh = ptree_msgh;
    mwin_msg_on(w);
}

void ptree_detach(void *line)
{
    auto *l = static_cast<ptree_line *>(line);
    proc_node *top = l->node;
    if (!top)
        return;
    // The lines of the whole subtree go with it, deepest first.
    for (proc_node *c = top->child; c; c = c->sibling.next)
        if (c->line)
            ptree_detach(c->line);
    top->line = nullptr;
    l->node = nullptr;
}

void ptree_sync(widget *w)
{
    update_tree(ptree_detach);

    // The lines of processes that went or moved go; the bar keeps its line.
    std::size_t kept = 0;
    for (ptree_line *l : ptree_lines) {
        if (l->node) {
            ptree_lines[kept++] = l;
        } else {
            scr_ldeleted(w, static_cast<int>(kept));
            free_line(l);
        }
    }
    ptree_lines.resize(kept);

    // Surviving lines keep the order of the walk; new processes get new
    // lines where the walk meets them. `at` is the first survivor the walk
    // has not met yet.
    ptree_counts = {};
    walked_lines.clear();
    std::size_t at = 0;
    for (proc_node *n = tree_start(ptree_root, ptree_root); n; n = tree_next()) {
        auto *l = static_cast<ptree_line *>(n->line);
        int i = static_cast<int>(walked_lines.size());
        if (l && at < ptree_lines.size() && ptree_lines[at] == l) {
            ++at;
        } else {
            if (l) {
                // Never expected: a line out of the walk's order is taken
                // out and comes back at its place.
                auto it = std::find(ptree_lines.begin() + static_cast<std::ptrdiff_t>(at), ptree_lines.end(), l);
                if (it != ptree_lines.end())
                    ptree_lines.erase(it);
            } else {
                l = new_line(n);
            }
            scr_linserted(w, i);
        }
        walked_lines.push_back(l);
        count(n->state);
    }
    // Lines the walk no longer reaches (none, as long as every move of a
    // node is told about) go too.
    for (; at < ptree_lines.size(); ++at) {
        scr_ldeleted(w, static_cast<int>(walked_lines.size()));
        free_line(ptree_lines[at]);
    }
    ptree_lines.swap(walked_lines);
    ptree_status(w);
}

void ptree_status(widget *w)
{
    char *buf = w->scr->line_buf;
    auto size = static_cast<std::size_t>(w->scr->line_size);
    int n = std::snprintf(buf, size, "%u tasks: %u running, %u sleeping", ptree_counts[C_TOTAL],
                          ptree_counts[C_RUNNING], ptree_counts[C_SLEEPING]);
    auto append = [&](const char *fmt, auto... args) {
        if (n >= 0 && static_cast<std::size_t>(n) < size)
            n += std::snprintf(buf + n, size - static_cast<std::size_t>(n), fmt, args...);
    };
    if (ptree_counts[C_STOPPED])
        append(", %u stopped", ptree_counts[C_STOPPED]);
    if (ptree_counts[C_ZOMBIE])
        append(", %u zombie", ptree_counts[C_ZOMBIE]);
    if (outcome[0] && std::chrono::steady_clock::now() < outcome_until)
        append("   %s", outcome);
    wmsg_info(w, buf);
}

void ptree_redraw(widget *w)
{
    if (ptree_lines.empty()) {
        scr_list_start(w, 0);
        w->first_row = 0;
        scr_maddstr(w, "User has logged out", 0, 0, 20);
        return;
    }
    // "User has logged out" took the bar away; a tree to show brings it
    // back on its first line, or no key could move it or act on a process.
    if (w->crsr < 0) {
        w->crsr = 0;
        w->first_row = 0;
    }
    int n = static_cast<int>(ptree_lines.size());
    scr_list_start(w, n);
    int last = scr_last_shown(w);
    for (int i = scr_first_shown(w); i <= last; ++i) {
        ptree_line *l = ptree_lines[static_cast<std::size_t>(i)];
        if (!l->node)
            continue;
        format_line(w, l, i);
        scr_addfstr(w, w->scr->line_buf, i, 0);
    }
    scr_list_end(w, n);
}

int ptree_keyh(widget *w, int key)
{
    if (key == KBD_ENTER || key == 't') {
        if (!shown(w))
            show(w, key);
        else if (key == KBD_ENTER)
            hide(w);
        else if (ptree_last_key != 't') {
            ptree_root = 1;
            ptree_sync(w);
            w->flags |= W_DIRTY;
        }
        ptree_last_key = key;
        return KEY_HANDLED;
    }
    if (!shown(w))
        return KEY_NOT_MINE;
    if (int sig = signal_of_letter(key & 0xfff)) {
        if (key & KBD_CTRL)
            signal_key(w, sig);
        return KEY_HANDLED;
    }
    switch (key) {
    case 'l':
        show_lnum = !show_lnum;
        break;
    case 'o':
        show_owner = !show_owner;
        break;
    case 'r':
        ptree_sync(w);
        break;
    default:
        return scr_keyh(w, key);
    }
    w->flags |= W_DIRTY;
    return KEY_HANDLED;
}

void *ptree_msgh(widget *w, int type, widget *, void *datum)
{
    switch (type) {
    case want_crsr_val: {
        const ptree_line *l = line_at(w->crsr);
        crsr_answer = l ? l->node->pid : 0;
        return &crsr_answer;
    }
    case snd_search:
        return ptree_lines.empty() ? wmsg_answer(SEARCH_NOTHING) : search(w, wmsg_search_mode(datum));
    default:
        return nullptr;
    }
}

int ptree_signal_of(int key)
{
    return key & KBD_CTRL ? signal_of_letter(key & 0xfff) : 0;
}

const char *send_signal(int sig, int pid, std::uint64_t start_id)
{
    // Process 1 is the system's own, 0 would be vigil's own group, and
    // vigil itself would die with the terminal still taken. The platform
    // sends only to the process that started at start_id.
    if (pid > 1 && pid != getpid() && plat_send_signal(pid, start_id, sig))
        std::snprintf(outcome, sizeof outcome, "Signal %d was sent to process %d", sig, pid);
    else
        std::snprintf(outcome, sizeof outcome, "Can't send signal %d to process %d", sig, pid);
    return outcome;
}
