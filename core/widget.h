// The widget record, the one screen context, and the operations every view
// draws, scrolls and talks with.
#pragma once

#include <cstdint>
#include <curses.h>

struct screen;
struct widget;

// Slots. A null `refresh` means the widget is hidden; the core skips null
// slots everywhere.
using refresh_fn = void (*)(widget *);
using redraw_fn = void (*)(widget *);
// Answers one of the KEY_ results below.
using keyh_fn = int (*)(widget *, int key);
using periodic_fn = void (*)(widget *);
// The datum and the answer are one pointer-sized value whose meaning the
// message type gives; null means "I do not answer" and the message goes on.
using msgh_fn = void *(*)(widget *receiver, int type, widget *sender, void *datum);

// What a key handler answers.
enum : int {
    KEY_NOT_MINE = 0, // not this widget's key
    KEY_HANDLED = 1,  // handled; the widgets below may act on it too
    KEY_CONSUMED = 2, // consumed: no widget below sees it, and a quit key does not quit
};

// A report of the detail window: writes the window's text, given the
// answer of the list on screen to want_crsr_val (a user name, or a pointer
// to a pid), which it may only read at once.
using report_fn = void (*)(void *crsr_value);

enum : std::uint8_t {
    W_FIXED = 1, // a bar placed from the screen size: keeps its bottom and pad on a resize
    W_CRSR = 2,  // set only by crsr_reg, which nobody sends
    W_DIRTY = 4, // redraw after the next key
};

struct widget {
    // Both lists run from the oldest at the screen's `oldest` end to the
    // newest; the ends hold null.
    widget *older = nullptr;
    widget *newer = nullptr;
    widget *msg_older = nullptr;
    widget *msg_newer = nullptr;
    screen *scr = nullptr;
    std::uint8_t flags = 0;
    char label[7] = {};
    refresh_fn refresh = nullptr;
    redraw_fn redraw = nullptr;
    keyh_fn keyh = nullptr;
    periodic_fn periodic = nullptr;
    msgh_fn msgh = nullptr;
    // Content rectangle in terminal cells, all inclusive. A shrinking
    // terminal can carry `right` below `left` (the values wrap); such a
    // widget copies nothing until the terminal grows again.
    std::uint32_t left = 0;
    std::uint32_t top = 0;
    std::uint32_t right = 0;
    std::uint32_t bottom = 0;
    // Rows are logical rows: a list's lines from 0, however many. The pad
    // holds only the rows in view, logical row first_row + i in pad row i,
    // so a list costs what is on screen. Fixed bars never scroll, so for
    // them logical and pad rows are one.
    std::uint32_t first_col = 0;
    std::uint32_t first_row = 0;
    std::uint32_t pad_rows = 0; // the pad has pad_rows + 1 rows
    std::uint32_t pad_cols = 0; // and pad_cols + 1 columns
    WINDOW *pad = nullptr;
    std::int32_t crsr = -1; // row of the bar; -1: no bar
    std::uint8_t clr = 0;
    std::int32_t last_line = 0; // the last line: written since scr_output_start, or the list's
    WINDOW *frame = nullptr;
};

struct screen {
    widget *newest = nullptr;
    widget *oldest = nullptr;
    widget *msg_newest = nullptr;
    widget *msg_oldest = nullptr;
    std::int32_t last_row = 0; // terminal rows - 1
    std::int32_t last_col = 0; // terminal columns - 1
    // Scratch for formatting one line; any view may overwrite it at any time.
    char line_buf[256] = {};
    std::int32_t line_size = 256;
};

// The one screen of the process.
extern screen the_screen;

// Creates a widget at the newest end of the list. A pad_rows or pad_cols of
// 0 derives the value from the geometry. Never returns null: a failure ends
// the program with the terminal restored.
widget *scr_create(std::uint32_t top, std::uint32_t left, std::uint32_t bottom, std::uint32_t right,
                   std::uint32_t pad_rows, std::uint32_t pad_cols, const char *label, std::uint8_t clr);
// Makes the pad as tall as the view (a list's pad holds the rows in view).
void scr_fit_pad(widget *w);

// Drawing and scrolling. Rows are logical rows; a write to a row out of
// view writes nothing (and still counts).
void scr_output_start(widget *w);
void scr_output_end(widget *w);
// A list of n lines repaints itself: scr_list_start erases the pad, pulls
// the view and the bar back onto the lines (a list that shrank shows its
// last page; an empty one has no bar); the view then formats and writes
// only the rows from scr_first_shown to scr_last_shown (none when last <
// first) and ends with scr_list_end, which paints the bar.
void scr_list_start(widget *w, int n);
int scr_first_shown(const widget *w);
int scr_last_shown(const widget *w);
void scr_list_end(widget *w, int n);
void scr_maddstr(widget *w, const char *text, int row, int col, int len);
void scr_addstr(widget *w, const char *text, int len);
int scr_addfstr(widget *w, const char *text, int row, int col);
void scr_attr_set(widget *w, attr_t attrs);
void scr_werase(widget *w);
void scr_delline(widget *w, int row);
void scr_linserted(widget *w, int line);
void scr_ldeleted(widget *w, int line);
void scr_crsr_jmp(widget *w, int row);
void scr_wrefresh(widget *w);
void scr_box(widget *w, const char *caption, int pair);
void scr_decor_resize(widget *w);
void scr_wresize(widget *w, int rows, int cols);
void scr_doupdate();
// Copies pad cells from (prow, pcol) to terminal rows top..bottom and columns
// left..right, clipped to the terminal; a rectangle turned inside out by a
// shrinking terminal copies nothing.
void scr_copy(WINDOW *pad, long prow, long pcol, long top, long left, long bottom, long right);
int scr_keyh(widget *w, int key);

// Messages. wmsg_send offers one to every registered widget but the sender,
// oldest registration first, until one answers non-null; the answer comes
// back to the sender. The datum and the answer are one pointer-sized value
// each, as below.
enum {
    // Never sent.
    want_dsource = 0,
    // Sent by the detail window before each report that follows the bar.
    // Answered by the list on screen: the user list with its session's user
    // name (a text inside the session record), or the constant "No user
    // found"; the process tree with a pointer to its own static int holding
    // the pid under the bar, 0 for none. Either answer is good only until
    // the next tick or key: a session record goes when its login ends, and
    // the int is overwritten by the next answer. The asker uses it at once
    // and keeps no copy of the pointer across keys.
    want_crsr_val = 1,
    // Datum: the user name under the bar. Sent only while W_CRSR is set,
    // which nothing sets; nobody answers.
    cur_crsr = 2,
    // Sent by a list when it comes to the front. Datum: its help text, which
    // lives for the whole run. The help line keeps the pointer and answers
    // with it.
    cur_hlp = 3,
    // Sent by the process tree when Enter opens it. Answered by the user
    // list, shown or not, with a pointer to the login pid inside the session
    // record under its bar, or null when none is there. Good only until the
    // next tick; the tree copies the int at once.
    want_upid = 4,
    // Never sent; the user list would set W_CRSR.
    crsr_reg = 5,
    // Sent by the detail window when it closes; the user list clears
    // W_CRSR and answers null.
    crsr_unreg = 6,
    // Sent by a list when it comes to the front. Datum: the report function
    // (a report_fn) for the detail window's "d" source; the window keeps it
    // and answers with it.
    snd_esource = 7,
    // Sent by the process tree. Datum: a status text, or null to clear the
    // status row. The text may live in the shared line buffer: the info bar
    // copies it onto its pad before answering 1.
    snd_info = 8,
    // Sent by the search line while its pattern is compiled. Datum: the
    // search mode (SEARCH_AFTER, SEARCH_FROM, SEARCH_ANY) as an integer.
    // Answered by the list on screen, which tests its lines with reg_match:
    // 1 when its bar moved to a match, 2 when nothing matched.
    snd_search = 9,
    // Never sent.
    snd_search_end = 10,
};

// Search modes, the datum of snd_search.
enum {
    SEARCH_AFTER = 0, // a match after the bar's line
    SEARCH_FROM = 1,  // a match on the bar's line or after it
    SEARCH_ANY = 2,   // a match on any line
};
// What a list answers to snd_search.
enum : int {
    SEARCH_FOUND = 1,   // its bar moved to a match
    SEARCH_NOTHING = 2, // nothing matched
};
void mwin_msg_on(widget *w);
void *wmsg_send(widget *sender, int type, void *datum);

// The messages that are sent, each as one call of wmsg_send with its datum
// and its answer in their own types: the casts live here and nowhere else.
inline void wmsg_help(widget *from, const char *text)
{
    wmsg_send(from, cur_hlp, const_cast<char *>(text));
}
inline void wmsg_esource(widget *from, report_fn report)
{
    wmsg_send(from, snd_esource, reinterpret_cast<void *>(report));
}
// Null clears the status row.
inline void wmsg_info(widget *from, const char *text)
{
    wmsg_send(from, snd_info, const_cast<char *>(text));
}
// The login pid under the user list's bar, or null.
inline const int *wmsg_want_upid(widget *from)
{
    return static_cast<const int *>(wmsg_send(from, want_upid, nullptr));
}
inline void *wmsg_want_crsr_val(widget *from)
{
    return wmsg_send(from, want_crsr_val, nullptr);
}
inline void wmsg_cur_crsr(widget *from, const char *name)
{
    wmsg_send(from, cur_crsr, const_cast<char *>(name));
}
inline void wmsg_crsr_unreg(widget *from)
{
    wmsg_send(from, crsr_unreg, nullptr);
}
// SEARCH_FOUND or SEARCH_NOTHING from the list on screen; 0 when none
// answered.
inline int wmsg_search(widget *from, int mode)
{
    return static_cast<int>(
        reinterpret_cast<std::intptr_t>(wmsg_send(from, snd_search, reinterpret_cast<void *>(std::intptr_t{mode}))));
}

// The receiving side: a number as an answer, and the datum of snd_search
// and snd_esource.
inline void *wmsg_answer(int value)
{
    return reinterpret_cast<void *>(std::intptr_t{value});
}
inline int wmsg_search_mode(void *datum)
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(datum));
}
inline report_fn wmsg_report(void *datum)
{
    return reinterpret_cast<report_fn>(datum);
}
