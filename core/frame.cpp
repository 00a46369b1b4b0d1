#include <cstring>

#include "core/widget.h"

// The geometry as signed values: a terminal that shrank past a widget's
// corner leaves right below left, which must read as "nothing to show".
static long sv(std::uint32_t v)
{
    return static_cast<std::int32_t>(v);
}

void scr_wrefresh(widget *w)
{
    if (w->frame)
        scr_copy(w->frame, 0, 0, sv(w->top) - 1, sv(w->left) - 1, sv(w->bottom) + 1, sv(w->right) + 1);
    // The pad holds the rows in view from its first row on.
    scr_copy(w->pad, 0, w->first_col, sv(w->top), sv(w->left), sv(w->bottom), sv(w->right));
}

static void draw_border(WINDOW *frame)
{
    wborder(frame, ACS_VLINE, ACS_VLINE, ACS_HLINE, ACS_HLINE, 0, 0, 0, 0);
}

void scr_box(widget *w, const char *caption, int pair)
{
    if (!w->frame) {
        long rows = sv(w->bottom) - sv(w->top) + 3;
        long cols = sv(w->right) - sv(w->left) + 3;
        if (rows <= 0 || cols <= 0)
            return;
        w->frame = newpad(static_cast<int>(rows), static_cast<int>(cols));
        if (!w->frame)
            return;
        draw_border(w->frame);
        wbkgd(w->frame, COLOR_PAIR(pair));
    }
    if (!caption)
        return;
    long col = (sv(w->right) - sv(w->left)) - static_cast<long>(std::strlen(caption));
    mvwaddstr(w->frame, static_cast<int>(sv(w->bottom) - sv(w->top) + 2), static_cast<int>(col), caption);
}

void scr_decor_resize(widget *w)
{
    if (!w->frame)
        return;
    long rows = sv(w->bottom) - sv(w->top) + 3;
    long cols = sv(w->right) - sv(w->left) + 3;
    if (rows <= 0 || cols <= 0)
        return;
    wresize(w->frame, static_cast<int>(rows), static_cast<int>(cols));
    werase(w->frame);
    draw_border(w->frame);
}
