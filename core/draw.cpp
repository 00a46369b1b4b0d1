
#include <string_view>

#include "core/bar.h"
#include "core/text.h"
#include "core/widget.h"

void scr_output_start(widget *w)
{
    w->last_line = -1;
}

void scr_output_end(widget *w)
{
    int h = scr_view_h(w);
    // Unsigned on purpose: an empty output (-1) keeps the view where it is.
    if (w->first_row >= static_cast<std::uint32_t>(w->last_line))
        w->first_row = w->last_line >= h ? static_cast<std::uint32_t>(w->last_line - h) : 0;
    if (w->crsr > w->last_line)
        w->crsr = w->last_line;
    if (w->crsr != -1)
        scr_crsr_draw(w, w->crsr);
}

void scr_maddstr(widget *w, const char *text, int row, int col, int len)
{
    if (wmove(w->pad, row, col) == OK)
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
    if (wmove(w->pad, row, col) != OK)
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
}

void scr_delline(widget *w, int row)
{
    if (wmove(w->pad, row, 0) == OK)
        winsdelln(w->pad, -1);
}

void scr_wresize(widget *w, int rows, int cols)
{
    wresize(w->pad, rows, cols);
}

void scr_doupdate()
{
    doupdate();
}
