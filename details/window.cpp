// The detail window and its three sources.
#include <array>

#include "core/bar.h"
#include "details/details.h"
#include "kbd/kbd.h"

widget *exti = nullptr;

namespace {

struct esource {
    int key;
    report_fn report;
    int need_crsr; // ask the list for its cursor value before each report
};

void empty_report(void *) {}

// Compared with a key in this order.
std::array<esource, 3> sources{{
    {'d', euser, 1},
    {'s', esys, 0},
    {'p', empty_report, 0},
}};

esource *current = &sources[0];
int last_source_key = 0;
// The last answer of the list on screen. A source that does not ask gets
// it unchanged and never reads it.
void *crsr_value = nullptr;
// Whether the next report is a new look at the system (a tick, a source
// just chosen) rather than the last look drawn again to scroll or to fit a
// resized terminal.
bool new_look = true;

const char caption[] = " <- -> [a]up [z]down ";

bool shown(const widget *w)
{
    return w->refresh != nullptr;
}

void hide(widget *w)
{
    w->refresh = nullptr;
    w->redraw = nullptr;
    wmsg_crsr_unreg(w);
}

void run_report()
{
    plgn_out_start();
    if (current->report)
        current->report(crsr_value);
}

} // namespace

void exti_reg(widget *w)
{
    exti = w;
    w->keyh = exti_keyh;
    w->msgh = exti_msgh;
    // From registration on, shown or not: a tick while hidden only marks
    // the look that opening makes new anyway.
    w->periodic = exti_periodic;
    mwin_msg_on(w);
}

void exti_reset()
{
    exti = nullptr;
    sources[0].report = euser;
    current = &sources[0];
    last_source_key = 0;
    crsr_value = nullptr;
    new_look = true;
}

void exti_periodic(widget *)
{
    new_look = true;
}

bool exti_new_look()
{
    return new_look;
}

int exti_keyh(widget *w, int key)
{
    for (esource &s : sources) {
        if (key != s.key)
            continue;
        current = &s;
        new_look = true;
        if (!shown(w)) {
            scr_werase(w);
            w->refresh = scr_wrefresh;
            w->redraw = exti_redraw;
            w->flags |= W_DIRTY;
        } else if (key == last_source_key) {
            hide(w);
        } else {
            w->flags |= W_DIRTY;
            w->first_row = 0;
            w->first_col = 0;
        }
        last_source_key = key;
        return KEY_HANDLED;
    }
    if (!shown(w))
        return KEY_NOT_MINE;
    switch (key) {
    case 'a':
        return scr_keyh(w, KBD_UP);
    case 'z':
        return scr_keyh(w, KBD_DOWN);
    case KBD_ESC:
        hide(w);
        return KEY_CONSUMED;
    case KBD_LEFT:
    case KBD_RIGHT:
        scr_keyh(w, key);
        return KEY_NOT_MINE;
    default:
        return KEY_NOT_MINE;
    }
}

void *exti_msgh(widget *w, int type, widget *, void *datum)
{
    if (type != snd_esource)
        return nullptr;
    // A list that came to the front: the window shows its report's top at
    // once, not rows of the old place until the tick.
    w->first_row = 0;
    w->first_col = 0;
    w->flags |= W_DIRTY;
    sources[0].report = wmsg_report(datum);
    return datum;
}

// The report is made afresh on every redraw. A report that became shorter
// than the view's place in it shows its last page: the view moves back and
// the report runs once more to fill the rows now in view.
void exti_redraw(widget *w)
{
    scr_werase(w);
    scr_box(w, caption, w->clr);
    if (current->need_crsr) {
        crsr_value = wmsg_want_crsr_val(w);
        // Redrawn after every key, so that the report follows the bar.
        w->flags |= W_DIRTY;
    }
    run_report();
    new_look = false;
    std::uint32_t first = w->first_row;
    scr_output_end(w);
    if (w->first_row != first) {
        scr_werase(w);
        run_report();
    }
}
