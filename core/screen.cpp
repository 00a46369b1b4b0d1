#include <cstring>
#include <new>

#include "core/curses_init.h"
#include "core/widget.h"

screen the_screen;

// A view squeezed out of sight by a small terminal still has one row.
static std::uint32_t view_rows(std::uint32_t top, std::uint32_t bottom)
{
    long n = static_cast<long>(static_cast<std::int32_t>(bottom)) - static_cast<std::int32_t>(top) + 1;
    return n < 1 ? 1 : static_cast<std::uint32_t>(n);
}

void scr_fit_pad(widget *w)
{
    std::uint32_t rows = view_rows(w->top, w->bottom);
    if (rows == w->pad_rows)
        return;
    w->pad_rows = rows;
    scr_wresize(w, static_cast<int>(rows + 1), static_cast<int>(w->pad_cols + 1));
}

widget *scr_create(std::uint32_t top, std::uint32_t left, std::uint32_t bottom, std::uint32_t right,
                   std::uint32_t pad_rows, std::uint32_t pad_cols, const char *label, std::uint8_t clr)
{
    auto *w = new (std::nothrow) widget{};
    if (!w)
        fatal_exit("Cannot allocate memory for a new widget");

    w->older = the_screen.newest;
    if (the_screen.newest)
        the_screen.newest->newer = w;
    else
        the_screen.oldest = w;
    the_screen.newest = w;

    std::strncpy(w->label, label, sizeof w->label - 1);
    w->left = left;
    w->top = top;
    w->right = right;
    w->bottom = bottom;

    std::uint32_t rows = pad_rows ? pad_rows : view_rows(top, bottom);
    std::uint32_t cols = pad_cols ? pad_cols : right - left + 1;
    w->pad = newpad(static_cast<int>(rows + 1), static_cast<int>(cols + 1));
    w->pad_rows = rows;
    w->pad_cols = cols;
    w->clr = clr;
    if (!w->pad)
        fatal_exit("Cannot create widget");
    wbkgd(w->pad, COLOR_PAIR(clr));

    w->crsr = -1;
    w->scr = &the_screen;
    return w;
}
