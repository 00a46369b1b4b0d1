#include <cstdio>
#include <cstring>

#include "bars/bars.h"
#include "procs/procs.h"
#include "users/users.h"

namespace {
char load_text[32];
}

void info_reg(widget *w)
{
    w->periodic = info_periodic;
    w->redraw = info_redraw;
    w->refresh = scr_wrefresh;
    w->msgh = info_msgh;
}

// A new tick: new load averages, and a status row that the list on screen
// fills again later in the same pass if it wants one.
void info_periodic(widget *w)
{
    double loads[3] = {};
    if (proc_getloadavg(loads, 3) == -1)
        load_text[0] = '\0';
    else
        std::snprintf(load_text, sizeof load_text, "load: %.2f, %.2f, %.2f", loads[0], loads[1], loads[2]);
    scr_werase(w);
}

// Row 0 is drawn with the other widgets after every tick's periodic pass
// and after a resize: the user list has brought the sessions up to date by
// then, so the counts agree with the lines below them, and the load text
// stands at the right edge of the terminal as it is now.
void info_redraw(widget *w)
{
    if (wmove(w->pad, 0, 0) == OK)
        wclrtoeol(w->pad);
    scr_addfstr(w, proc_ucount(), 0, 0);

    // Flush right. On a terminal narrower than the text its right end
    // still sits on the last column and what does not fit goes on the left.
    int len = static_cast<int>(std::strlen(load_text));
    int col = static_cast<std::int32_t>(w->right) - len + 1;
    int skip = col < 0 ? -col : 0;
    if (skip < len)
        scr_maddstr(w, load_text + skip, 0, col + skip, len - skip);
}

void *info_msgh(widget *w, int type, widget *, void *datum)
{
    if (type != snd_info)
        return nullptr;
    // The row shows the last text alone: the tail of a longer one before it
    // would read as part of it ("process 3" becoming "process 33").
    if (datum) {
        scr_attr_set(w, A_BOLD);
        scr_maddstr(w, static_cast<const char *>(datum), 1, static_cast<int>(w->left), -1);
        scr_attr_set(w, A_NORMAL);
    } else {
        wmove(w->pad, 1, 0);
    }
    wclrtoeol(w->pad);
    scr_wrefresh(w);
    return wmsg_answer(1);
}
