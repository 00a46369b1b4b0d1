#include "core/loop.h"

#include "core/bar.h"
#include "kbd/kbd.h"

void pass_periodic()
{
    for (widget *w = the_screen.oldest; w; w = w->newer)
        if (w->periodic)
            w->periodic(w);
}

// The flag goes before the redraw, so a redraw that marks itself dirty
// again is redrawn after the next key too.
void pass_redraw_all()
{
    for (widget *w = the_screen.oldest; w; w = w->newer) {
        w->flags &= static_cast<std::uint8_t>(~W_DIRTY);
        if (w->redraw)
            w->redraw(w);
    }
}

void pass_redraw_dirty()
{
    for (widget *w = the_screen.oldest; w; w = w->newer) {
        if (!(w->flags & W_DIRTY))
            continue;
        w->flags &= static_cast<std::uint8_t>(~W_DIRTY);
        if (w->redraw)
            w->redraw(w);
    }
}

void pass_refresh()
{
    for (widget *w = the_screen.oldest; w; w = w->newer)
        if (w->refresh)
            w->refresh(w);
}

bool dispatch_key(int key)
{
    for (widget *w = the_screen.newest; w; w = w->older)
        if (w->keyh && w->keyh(w, key) == KEY_CONSUMED)
            return false;
    return key == KBD_ESC || key == 'q';
}

int tick_countdown(int remaining, std::time_t before, std::time_t after)
{
    // A clock read backwards counts no time rather than adding it.
    if (after <= before)
        return remaining;
    return remaining - static_cast<int>(after - before);
}

void resize_widgets(int rows, int cols)
{
    screen &s = the_screen;
    int drow = rows - 1 - s.last_row;
    int dcol = cols - 1 - s.last_col;
    s.last_row = rows - 1;
    s.last_col = cols - 1;
    for (widget *w = s.oldest; w; w = w->newer) {
        // Pads only ever grow in width; the views' pads follow their height.
        if (w->pad_cols < static_cast<std::uint32_t>(s.last_col)) {
            w->pad_cols = static_cast<std::uint32_t>(cols);
            scr_wresize(w, static_cast<int>(w->pad_rows + 1), static_cast<int>(w->pad_cols + 1));
        }
        w->right += static_cast<std::uint32_t>(dcol);
        if (w->flags & W_FIXED)
            continue;
        w->bottom += static_cast<std::uint32_t>(drow);
        scr_fit_pad(w);
        scr_decor_resize(w);
        scr_werase(w);
        scr_crsr_in_view(w);
    }
    resizeterm(rows, cols);
    // Signals that came together may end at the size curses last saw, and
    // then it would repaint nothing of what the terminal lost meanwhile.
    clearok(curscr, TRUE);
    // Cells that no widget covers at the new size (row 2, or what a bar
    // drew at an old size) would keep their old text for ever.
    werase(stdscr);
    wnoutrefresh(stdscr);
    pass_redraw_all();
    pass_refresh();
    scr_doupdate();
}
