
#include <string_view>

#include "core/bar.h"
#include "core/text.h"
#include "core/widget.h"

void scr_output_start(widget *w)
{
    w->last_line = -1;
}

// A list that shrank so far that the view is at or past its last line
// shows its last page; the bar never stays past the last line.
static void clamp_view(widget *w)
{
    int h = scr_view_h(w);
    // Unsigned on purpose: an empty output (-1) keeps the view where it is.
    if (w->first_row >= static_cast<std::uint32_t>(w->last_line))
        w->first_row = w->last_line >= h ? static_cast<std::uint32_t>(w->last_line - h) : 0;
    if (w->crsr > w->last_line)
        w->crsr = w->last_line;
}

void scr_output_end(widget *w)
{
    clamp_view(w);
    if (w->crsr != -1)
        scr_crsr_draw(w, w->crsr);
}

void scr_list_start(widget *w, int n)
{
    scr_werase(w);
    w->last_line = n - 1;
    clamp_view(w);
}

int scr_first_shown(const widget *w)
{
    return static_cast<int>(w->first_row);
}

int scr_last_shown(const widget *w)
{
    long last = static_cast<long>(w->first_row) + scr_view_h(w);
    return static_cast<int>(last < w->last_line ? last : w->last_line);
}

void scr_list_end(widget *w, int n)
{
    w->last_line = n - 1;
    if (w->crsr != -1)
        scr_crsr_draw(w, w->crsr);
}

void scr_maddstr(widget *w, const char *text, int row, int col, int len)
{
    int pr = scr_pad_row(w, row);
    if (pr >= 0 && wmove(w->pad, pr, col) == OK)
        waddnstr(w->pad, text, len);
    ++w->last_line;
}

void scr_addstr(widget *w, const char *text, int len)
{
    waddnstr(w->pad, text, len);
    ++w->last_line;
}

void scr_attr_set(widget *w, attr_t attrs)
{
    if (w->pad)
        wattrset(w->pad, attrs);
}

// Bytes 1 to 16 choose colour pair n for the text after them and take no
// cell; every other byte is text, UTF-8 included. The text is cut by cells,
// never inside a character, and never past the pad's last column, where
// curses would carry it onto the next row.
int scr_addfstr(widget *w, const char *text, int row, int col)
{
    if (!text)
        return 1;
    ++w->last_line;
    int pr = scr_pad_row(w, row);
    if (pr < 0 || wmove(w->pad, pr, col) != OK)
        return 0;
    wclrtoeol(w->pad);
    long limit = static_cast<long>(static_cast<std::int32_t>(w->right)) + 1;
    long room = getmaxx(w->pad) - col;
    if (room < limit)
        limit = room;
    long cells = 0;
    std::string_view rest(text);
    const char *run = text;
    while (!rest.empty()) {
        disp_char d = disp_next(rest);
        auto c = static_cast<unsigned char>(rest[0]);
        if (d.cells == 0 && c >= 1 && c <= 16) {
            waddnstr(w->pad, run, static_cast<int>(rest.data() - run));
            wattrset(w->pad, COLOR_PAIR(c));
            rest.remove_prefix(1);
            run = rest.data();
            continue;
        }
        if (cells + d.cells > limit)
            break;
        cells += d.cells;
        rest.remove_prefix(static_cast<std::size_t>(d.bytes));
    }
    waddnstr(w->pad, run, static_cast<int>(rest.data() - run));
    return 0;
}

void scr_werase(widget *w)
{
    werase(w->pad);
    scr_crsr_forget(w);
}

// Rows below come up; the row that comes into view at the bottom is drawn
// by the repaint that follows every change of a list.
void scr_delline(widget *w, int row)
{
    int pr = scr_pad_row(w, row);
    if (pr >= 0 && wmove(w->pad, pr, 0) == OK)
        winsdelln(w->pad, -1);
    w->flags |= W_DIRTY;
}

void scr_wresize(widget *w, int rows, int cols)
{
    wresize(w->pad, rows, cols);
}

void scr_doupdate()
{
    doupdate();
}
