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
    w->first_row = row < 0 ? 0 : static_cast<std::uint32_t>(row);
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
            static_cast<long>(w->pad_cols) -
                (static_cast<std::int32_t>(w->right) - static_cast<std::int32_t>(w->left)))
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
            return 0;
        set_first_row(w, 0);
        break;
    case KBD_END:
        if (below <= 0)
            return 0;
        set_first_row(w, w->last_line - h);
        break;
    default:
        return 0;
    }
    return 1;
}

int keyh_bar(widget *w, int key, long h, long below)
{
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
            scr_crsr_move(w, static_cast<int>(crsr - 1));
        break;
    case KBD_DOWN:
        if (crsr - first == h) {
            if (below <= 0)
                break;
            set_first_row(w, first + 1);
        }
        if (crsr < w->last_line)
            scr_crsr_move(w, static_cast<int>(crsr + 1));
        break;
    case KBD_PGUP:
        if (first == 0) {
            scr_crsr_move(w, 0);
        } else {
            long d = min(first, h);
            set_first_row(w, first - d);
            scr_crsr_move(w, static_cast<int>(crsr - d));
        }
        break;
    case KBD_PGDN:
        if (below <= 0) {
            scr_crsr_move(w, w->last_line);
        } else {
            long d = min(below, h);
            set_first_row(w, first + d);
            scr_crsr_move(w, static_cast<int>(crsr + d));
        }
        break;
    case KBD_HOME:
        if (first == 0 && crsr == 0)
            return 0;
        set_first_row(w, 0);
        scr_crsr_move(w, 0);
        break;
    case KBD_END:
        if (below > 0)
            set_first_row(w, w->last_line - h);
        if (crsr >= w->last_line)
            return 0;
        scr_crsr_move(w, static_cast<int>(below > 0 ? crsr + below : w->last_line));
        break;
    default:
        return 0;
    }
    return 1;
}

}  // namespace

int scr_keyh(widget *w, int key)
{
    long h = scr_view_h(w);
    long below = static_cast<long>(w->last_line) - h - static_cast<long>(w->first_row);
    return w->crsr >= 0 ? keyh_bar(w, key, h, below) : keyh_no_bar(w, key, h, below);
}
