#include "core/bar.h"

#include <vector>

namespace {
// The cells under the bar as they were before it was painted, ended by a
// zero cell, and where they came from: the widget and the pad row. One for
// the whole program: the two lists that have a bar are never on screen
// together. It grows with the widest row ever barred, so a terminal of any
// width keeps its row intact.
std::vector<cchar_t> crsr_line(1);
const widget *painted_in = nullptr;
int painted_row = -1;
} // namespace

int scr_view_h(const widget *w)
{
    int h = static_cast<std::int32_t>(w->bottom) - static_cast<std::int32_t>(w->top);
    return h < 0 ? 0 : h;
}

int scr_pad_row(const widget *w, long row)
{
    long first = w->first_row;
    if (row < first || row > first + scr_view_h(w))
        return -1;
    return static_cast<int>(row - first);
}

void scr_crsr_forget(const widget *w)
{
    if (painted_in == w)
        painted_in = nullptr;
}

static int bar_width(const widget *w)
{
    int n = static_cast<std::int32_t>(w->right) + 1;
    int max = getmaxx(w->pad);
    return n < 0 ? 0 : n > max ? max : n;
}

void scr_crsr_draw(widget *w, int row)
{
    int pr = scr_pad_row(w, row);
    int n = bar_width(w);
    if (pr < 0 || wmove(w->pad, pr, 0) != OK)
        return;
    if (crsr_line.size() < static_cast<std::size_t>(n) + 1)
        crsr_line.resize(static_cast<std::size_t>(n) + 1);
    win_wchnstr(w->pad, crsr_line.data(), n);
    painted_in = w;
    painted_row = pr;
    if (wmove(w->pad, pr, 0) == OK)
        wchgat(w->pad, n, A_REVERSE, 0, nullptr);
    wattrset(w->pad, A_NORMAL);
}

void scr_crsr_restore(widget *w)
{
    wattrset(w->pad, A_NORMAL);
    if (painted_in != w || wmove(w->pad, painted_row, 0) != OK)
        return;
    painted_in = nullptr;
    // win_wchnstr ends the cells with one whose first character is zero.
    for (const cchar_t &c : crsr_line) {
        wchar_t wc[CCHARW_MAX + 1];
        attr_t a;
        short p;
        if (getcchar(&c, wc, &a, &p, nullptr) == ERR || wc[0] == 0)
            break;
        wadd_wch(w->pad, &c);
    }
}

void scr_crsr_move(widget *w, int row)
{
    scr_crsr_restore(w);
    scr_crsr_draw(w, row);
    w->crsr = row;
}

void scr_set_first_row(widget *w, long row)
{
    auto first = static_cast<std::uint32_t>(row < 0 ? 0 : row);
    if (first == w->first_row)
        return;
    // The pad holds only the rows in view: others come into it by a repaint.
    w->first_row = first;
    w->flags |= W_DIRTY;
}

void scr_crsr_jmp(widget *w, int row)
{
    // A view of one row, or none at all in a terminal too short for the
    // list, shows the bar's row at its top, never rows past it.
    long k = scr_view_h(w) - 1L;
    if (k < 0)
        k = 0;
    if (row < static_cast<long>(w->first_row) || row >= static_cast<long>(w->first_row) + k)
        scr_set_first_row(w, row - k);
    scr_crsr_move(w, row);
}

void scr_crsr_in_view(widget *w)
{
    if (w->crsr < 0)
        return;
    long h = scr_view_h(w);
    if (w->crsr < static_cast<long>(w->first_row))
        w->first_row = static_cast<std::uint32_t>(w->crsr);
    else if (w->crsr > static_cast<long>(w->first_row) + h)
        w->first_row = static_cast<std::uint32_t>(w->crsr - h);
}

void scr_linserted(widget *w, int line)
{
    if (w->crsr >= line && !(w->first_row == 0 && w->crsr == 0)) {
        ++w->first_row;
        ++w->crsr;
    }
}

void scr_ldeleted(widget *w, int line)
{
    if (w->crsr > line) {
        --w->crsr;
        if (w->first_row)
            --w->first_row;
    }
}
