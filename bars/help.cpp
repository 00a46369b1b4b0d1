#include "bars/bars.h"

namespace {
// Not copied: the lists send texts that live for the whole run.
const char *hlp_text = nullptr;
} // namespace

void hlp_reg(widget *w)
{
    w->refresh = hlp_refresh;
    w->redraw = hlp_redraw;
    w->msgh = hlp_msgh;
}

void *hlp_msgh(widget *w, int type, widget *, void *datum)
{
    if (type != cur_hlp)
        return nullptr;
    hlp_text = static_cast<const char *>(datum);
    w->flags |= W_DIRTY;
    return datum;
}

void hlp_redraw(widget *w)
{
    if (hlp_text)
        scr_addfstr(w, hlp_text, 0, 0);
}

// The line's own rows never move on a resize; it follows the terminal's
// last row instead.
void hlp_refresh(widget *w)
{
    scr_copy(w->pad, 0, 0, w->scr->last_row, 0, w->scr->last_row, w->scr->last_col);
}
