#include "core/bar.h"
#include "core/widget.h"
#include "kbd/kbd.h"

namespace {

long min(long a, long b)
{
    return a < b ? a : b;
}

void set_first_row(widget *w, long row)
{
    scr_set_first_row(w, row);
}

// Moves the bar. When the view moved too, the repaint that follows the key
// paints the bar; the pad's rows no longer hold what the bar saved.
void bar_to(widget *w, long row, std::uint32_t first_before)
{
    if (w->first_row == first_before)
        scr_crsr_move(w, static_cast<int>(row));
    else
        w->crsr = static_cast<std::int32_t>(row);
}

// The detail window has no bar: paging there only moves the view, and
// Home and End go to the first and the last page.
int keyh_no_bar(widget *w, int key, long h, long below)
{
    long first = w->first_row;
    switch (key) {
    case KBD_LEFT:
        if (w->first_col > 0)
            --w->first_col;
        break;
    case KBD_RIGHT:
        if (static_cast<long>(w->first_col) <
            static_cast<long>(w->pad_cols) - (static_cast<std::int32_t>(w->right) - static_cast<std::int32_t>(w->left)))
            ++w->first_col;
        break;
    case KBD_UP:
        if (first > 0)
            set_first_row(w, first - 1);
        break;
    case KBD_DOWN:
        if (below > 0)
            set_first_row(w, first + 1);
        break;
    case KBD_PGUP:
        set_first_row(w, first - min(first, h));
        break;
    case KBD_PGDN:
        if (below > 0)
            set_first_row(w, first + min(below, h));
        break;
    case KBD_HOME:
        if (first == 0)
            return KEY_NOT_MINE;
        set_first_row(w, 0);
        break;
    case KBD_END:
        if (below <= 0)
            return KEY_NOT_MINE;
        set_first_row(w, w->last_line - h);
        break;
    default:
        return KEY_NOT_MINE;
    }
    return KEY_HANDLED;
}

int keyh_bar(widget *w, int key, long h, long below)
{
    const std::uint32_t before = w->first_row;
    long first = w->first_row;
    long crsr = w->crsr;
    switch (key) {
    case KBD_LEFT:
    case KBD_RIGHT:
        break;
    case KBD_UP:
        if (first > 0 && crsr == first)
            set_first_row(w, first - 1);
        if (crsr > 0)
            bar_to(w, crsr - 1, before);
        break;
    case KBD_DOWN:
        if (crsr - first == h) {
            if (below <= 0)
                break;
            set_first_row(w, first + 1);
        }
        if (crsr < w->last_line)
            bar_to(w, crsr + 1, before);
        break;
    case KBD_PGUP:
        if (first == 0) {
            bar_to(w, 0, before);
        } else {
            long d = min(first, h);
            set_first_row(w, first - d);
            bar_to(w, crsr - d, before);
        }
        break;
    case KBD_PGDN:
        if (below <= 0) {
            bar_to(w, w->last_line, before);
        } else {
            long d = min(below, h);
            set_first_row(w, first + d);
            bar_to(w, crsr + d, before);
        }
        break;
    case KBD_HOME:
        if (first == 0 && crsr == 0)
            return KEY_NOT_MINE;
        set_first_row(w, 0);
        bar_to(w, 0, before);
        break;
    case KBD_END:
        if (below > 0)
            set_first_row(w, w->last_line - h);
        if (crsr >= w->last_line)
            return KEY_NOT_MINE;
        bar_to(w, below > 0 ? crsr + below : w->last_line, before);
        break;
    default:
        return KEY_NOT_MINE;
    }
    return KEY_HANDLED;
}

} // namespace

int scr_keyh(widget *w, int key)
{
    long h = scr_view_h(w);
    long below = static_cast<long>(w->last_line) - h - static_cast<long>(w->first_row);
    return w->crsr >= 0 ? keyh_bar(w, key, h, below) : keyh_no_bar(w, key, h, below);
}
