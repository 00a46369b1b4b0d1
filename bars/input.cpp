#include <cstdint>
#include <cstring>
#include <cwctype>
#include <regex.h>

#include "bars/bars.h"
#include "bars/pattern_guard.h"
#include "kbd/kbd.h"
#include "procs/ptree.h"

namespace {

constexpr int TEXT_COL = 6;  // after the prompt "Find: "

int input_col = TEXT_COL;  // where the next character goes
int input_count = 0;       // characters typed since the line was opened

// Holds a compiled pattern only while a search request is out.
regex_t input_re;

// The text read back from the pad. Its own storage: the lists format their
// lines in the shared line buffer while they answer, and the pattern must
// still be there for the search that goes round from the top.
char pattern[256];

// Plain text, the search people type most, is looked for without the
// matcher in text that is all ASCII: a match there is the pattern's
// characters in a row, letters compared without their case. In a UTF-8
// locale the matcher widens and folds every character of every text it is
// given first, which was most of what a key cost on a tree of tens of
// thousands of lines. The two agree only where the locale folds ASCII
// letters as ASCII does: not where "i" is no lower-case "I", as in Turkish.
struct plain_pattern {
    bool usable = false;
    char folded[sizeof pattern];  // the pattern in lower case
    std::size_t len = 0;
};
plain_pattern plain;

char ascii_lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool folds_like_ascii()
{
    for (wint_t c = 0x20; c < 0x7f; ++c) {
        auto low = static_cast<wint_t>(ascii_lower(static_cast<char>(c)));
        wint_t up = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
        if (std::towlower(c) != low || std::towupper(c) != up)
            return false;
    }
    return true;
}

void plain_prepare(const char *text)
{
    // The characters the extended syntax gives a meaning to; the pattern is
    // typed, so it holds nothing but printable ASCII.
    plain.usable = !text[std::strcspn(text, ".[]\\()*+?{}|^$")] && folds_like_ascii();
    plain.len = 0;
    for (; plain.usable && text[plain.len]; ++plain.len) {
        if (static_cast<unsigned char>(text[plain.len]) >= 0x80)
            plain.usable = false;
        plain.folded[plain.len] = ascii_lower(text[plain.len]);
    }
}

// 1 or 0, or -1 when only the matcher can tell: the text is not ASCII (or
// longer than any list line).
int plain_match(const char *text)
{
    char folded[1024];
    std::size_t n = 0;
    for (; text[n]; ++n) {
        if (static_cast<unsigned char>(text[n]) >= 0x80 || n == sizeof folded)
            return -1;
        folded[n] = ascii_lower(text[n]);
    }
    return memmem(folded, n, plain.folded, plain.len) != nullptr;
}

// A pattern the guard refuses is one that does not compile: compiling it
// could take seconds and gigabytes, on every key.
struct compiled_pattern {
    bool ok;
    explicit compiled_pattern(const char *text)
        : ok(pattern_allowed(text) && regcomp(&input_re, text, REG_EXTENDED | REG_ICASE | REG_NOSUB) == 0)
    {
        if (ok)
            plain_prepare(text);
    }
    ~compiled_pattern()
    {
        if (ok)
            regfree(&input_re);
    }
    compiled_pattern(const compiled_pattern &) = delete;
    compiled_pattern &operator=(const compiled_pattern &) = delete;
};

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

// Asks the list on screen; the answer is 1 on a match, 2 on none.
std::intptr_t ask(widget *w, int mode)
{
    compiled_pattern re(pattern);
    if (!re.ok)
        return 0;
    return reinterpret_cast<std::intptr_t>(wmsg_send(w, snd_search, reinterpret_cast<void *>(std::intptr_t{mode})));
}

void search(widget *w, int mode)
{
    read_pattern(w);
    // Nothing after the bar: go round from the top.
    if (ask(w, mode) == 2 && mode == SEARCH_AFTER)
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
        return 2;
    case KBD_BS:
        if (input_col != TEXT_COL) {
            --input_col;
            if (wmove(w->pad, 0, input_col) == OK)
                wdelch(w->pad);
        }
        return 2;
    case KBD_ESC:
        w->refresh = nullptr;
        w->redraw = nullptr;
        curs_set(0);
        return 2;
    default:
        // The tree's signal keys are an edit line's keys too, pressed here
        // out of habit; passed on, they would signal the process the search
        // has just put the bar on. Ctrl+U clears the line as in readline;
        // Ctrl+K would cut from the cursor, which is always at the end, and
        // Ctrl+T does nothing here.
        if (ptree_signal_of(key)) {
            if ((key & 0xfff) == 'U')
                clear_text(w);
            return 2;
        }
        if (key < 1 || key > 127)
            return 0;
        type(w, key);
        return 2;
    }
}

}  // namespace

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
        return 0;
    curs_set(1);
    w->refresh = input_refresh;
    input_count = 0;
    return 2;
}

void input_refresh(widget *w)
{
    scr_copy(w->pad, 0, 0, w->scr->last_row, 0, w->scr->last_row, w->scr->last_col);
}

int reg_match(const char *text)
{
    if (plain.usable)
        if (int found = plain_match(text); found >= 0)
            return found;
    return regexec(&input_re, text, 0, nullptr, REG_NOTEOL) == 0;
}
