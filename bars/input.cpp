#include <cstdint>
#include <cstring>

#include "bars/bars.h"
#include "bars/search.h"
#include "kbd/kbd.h"
#include "procs/ptree.h"

namespace {

constexpr int TEXT_COL = 6; // after the prompt "Find: "

int input_col = TEXT_COL; // where the next character goes
int input_count = 0;      // characters typed since the line was opened

// The text read back from the pad. Its own storage: the lists format their
// lines in the shared line buffer while they answer, and the pattern must
// still be there for the search that goes round from the top.
char pattern[256];

bool is_open(const widget *w)
{
    return w->refresh != nullptr;
}

// The text lives only in the pad; the pattern is read back from it.
void read_pattern(widget *w)
{
    char *buf = pattern;
    int n = 0;
    for (int col = TEXT_COL; col < input_col; ++col)
        buf[n++] = static_cast<char>(wmove(w->pad, 0, col) == OK ? winch(w->pad) & 0xFF : 0xFF);
    buf[n] = '\0';
}

// Asks the list on screen: SEARCH_FOUND, SEARCH_NOTHING, or 0 when the
// pattern does not compile.
int ask(widget *w, int mode)
{
    compiled_pattern re(pattern);
    if (!re.ok)
        return 0;
    return wmsg_search(w, mode);
}

void search(widget *w, int mode)
{
    read_pattern(w);
    // Nothing after the bar: go round from the top.
    if (ask(w, mode) == SEARCH_NOTHING && mode == SEARCH_AFTER)
        ask(w, SEARCH_ANY);
    wmove(w->pad, 0, input_col);
}

// A character is refused once the text would reach past the screen row
// (the cursor must stay on it) or past what the pattern buffer holds.
bool room_for_one_more(const widget *w)
{
    int max_text = static_cast<int>(sizeof pattern) - 1;
    return input_col < w->scr->last_col && input_col - TEXT_COL < max_text;
}

void clear_text(widget *w)
{
    input_col = TEXT_COL;
    if (wmove(w->pad, 0, TEXT_COL) == OK)
        wclrtoeol(w->pad);
}

void type(widget *w, int c)
{
    // The first character after opening replaces the previous text.
    if (input_count == 0)
        clear_text(w);
    if (!room_for_one_more(w))
        return;
    ++input_count;
    mvwaddch(w->pad, 0, input_col, static_cast<chtype>(c));
    ++input_col;
    search(w, SEARCH_FROM);
}

int keyh_open(widget *w, int key)
{
    switch (key) {
    case KBD_ENTER:
        if (input_col != TEXT_COL)
            search(w, SEARCH_AFTER);
        return KEY_CONSUMED;
    case KBD_BS:
        if (input_col != TEXT_COL) {
            --input_col;
            if (wmove(w->pad, 0, input_col) == OK)
                wdelch(w->pad);
        }
        return KEY_CONSUMED;
    case KBD_ESC:
        w->refresh = nullptr;
        w->redraw = nullptr;
        curs_set(0);
        return KEY_CONSUMED;
    default:
        // The tree's signal keys are an edit line's keys too, pressed here
        // out of habit; passed on, they would signal the process the search
        // has just put the bar on. Ctrl+U clears the line as in readline;
        // Ctrl+K would cut from the cursor, which is always at the end, and
        // Ctrl+T does nothing here.
        if (ptree_signal_of(key)) {
            if ((key & 0xfff) == 'U')
                clear_text(w);
            return KEY_CONSUMED;
        }
        if (key < 1 || key > 127)
            return KEY_NOT_MINE;
        type(w, key);
        return KEY_CONSUMED;
    }
}

} // namespace

void input_reg(widget *w)
{
    w->keyh = input_keyh;
    input_col = TEXT_COL;
    scr_maddstr(w, "Find: ", 0, 0, -1);
}

int input_keyh(widget *w, int key)
{
    if (is_open(w))
        return keyh_open(w, key);
    if (key != '/')
        return KEY_NOT_MINE;
    curs_set(1);
    w->refresh = input_refresh;
    input_count = 0;
    return KEY_CONSUMED;
}

void input_refresh(widget *w)
{
    scr_copy(w->pad, 0, 0, w->scr->last_row, 0, w->scr->last_row, w->scr->last_col);
}
