#include "users/ulist.h"

#include <cstdint>

#include "bars/search.h"
#include "core/text.h"
#include "details/details.h"
#include "kbd/kbd.h"
#include "procs/procs.h"
#include "users/users.h"

const char ulist_help[] = "[ENT]proc all[t]ree [d]etails [s]ysinfo";

namespace {

bool help_sent = false;

bool shown(const widget *w)
{
    return w->refresh != nullptr;
}

const user_entry *under_bar(const widget *w)
{
    return users_at_line(w->crsr);
}

bool session_matches(const user_entry *u)
{
    return reg_match(u->prg) || reg_match(u->name) || reg_match(u->tty) || reg_match(u->host) ||
           reg_match(get_w(u->pid, u->fg));
}

// Screen order, from the top; the mode says where the candidates start.
void *search(widget *w, int mode)
{
    for (const user_entry *u = users_oldest(); u; u = users_newer(u)) {
        if ((mode == SEARCH_FROM && u->line < w->crsr) || (mode == SEARCH_AFTER && u->line <= w->crsr))
            continue;
        if (session_matches(u)) {
            scr_crsr_jmp(w, u->line);
            return wmsg_answer(SEARCH_FOUND);
        }
    }
    return wmsg_answer(SEARCH_NOTHING);
}

} // namespace

void ulist_reg(widget *w)
{
    w->refresh = scr_wrefresh;
    w->redraw = uredraw;
    w->keyh = ulist_keyh;
    w->periodic = ulist_periodic;
    w->msgh = ulist_msgh;
    mwin_msg_on(w);
}

// Only the sessions in view are formatted, and only their foreground
// command lines read.
void uredraw(widget *w)
{
    scr_list_start(w, nusers);
    int first = scr_first_shown(w);
    int last = scr_last_shown(w);
    // Every field but the columns' separators was written by someone else.
    int width = static_cast<std::int32_t>(w->right) - static_cast<std::int32_t>(w->left) + 1;
    for (const user_entry *u = users_oldest(); u; u = users_newer(u)) {
        if (u->line < first || u->line > last)
            continue;
        scr_attr_set(w, A_BOLD);
        disp_line l(w->scr->line_buf, static_cast<std::size_t>(w->scr->line_size), width);
        l.column(u->prg, 14, 14).own(" ").column(u->name, 9, 9).own(" ").column(u->tty, 6, 6).own(" ");
        l.column(u->host, 19, 19).own(" ").text(get_w(u->pid, u->fg));
        scr_maddstr(w, l.str(), u->line, 0, static_cast<int>(l.len()));
    }
    scr_list_end(w, nusers);
}

void ulist_periodic(widget *w)
{
    if (!help_sent) {
        wmsg_help(w, ulist_help);
        help_sent = true;
    }
    users_update(w);
}

int ulist_keyh(widget *w, int key)
{
    if (key == KBD_ENTER || key == 't') {
        if (shown(w)) {
            w->refresh = nullptr;
            w->redraw = nullptr;
        } else if (key == KBD_ENTER) {
            wmsg_help(w, ulist_help);
            w->redraw = uredraw;
            w->refresh = scr_wrefresh;
            w->flags |= W_DIRTY;
            wmsg_esource(w, euser);
        }
        // Never consumed: the process tree has already taken its part.
        return KEY_HANDLED;
    }
    if (!shown(w))
        return KEY_NOT_MINE;
    int r = scr_keyh(w, key);
    if (r != KEY_HANDLED)
        return r;
    if ((w->flags & W_CRSR) && under_bar(w))
        wmsg_cur_crsr(w, under_bar(w)->name);
    return KEY_HANDLED;
}

void *ulist_msgh(widget *w, int type, widget *, void *datum)
{
    if (type == want_upid) {
        const user_entry *u = under_bar(w);
        return u ? const_cast<int *>(&u->pid) : nullptr;
    }
    if (!shown(w))
        return nullptr;
    switch (type) {
    case want_crsr_val: {
        const user_entry *u = under_bar(w);
        return const_cast<char *>(u ? u->name : "No user found");
    }
    case crsr_reg:
        w->flags |= W_CRSR;
        return nullptr;
    case crsr_unreg:
        w->flags &= static_cast<std::uint8_t>(~W_CRSR);
        return nullptr;
    case snd_search:
        return nusers ? search(w, wmsg_search_mode(datum)) : wmsg_answer(SEARCH_NOTHING);
    default:
        return nullptr;
    }
}
