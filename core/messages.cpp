#include "core/widget.h"

void mwin_msg_on(widget *w)
{
    screen &s = *w->scr;
    w->msg_older = s.msg_newest;
    w->msg_newer = nullptr;
    if (s.msg_newest)
        s.msg_newest->msg_newer = w;
    else
        s.msg_oldest = w;
    s.msg_newest = w;
}

// Earlier registration is priority: the first widget that answers wins.
void *wmsg_send(widget *sender, int type, void *datum)
{
    for (widget *w = sender->scr->msg_oldest; w; w = w->msg_newer) {
        if (w == sender || !w->msgh)
            continue;
        if (void *answer = w->msgh(w, type, sender, datum))
            return answer;
    }
    return nullptr;
}
