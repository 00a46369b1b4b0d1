
#include "core/bar.h"
#include "core/widget.h"

void scr_output_start(widget *w)
{
    w->last_line = -1;
}

void scr_output_end(widget *w)
{
    int h = scr_view_h(w);
    // Unsigned on purpose: an empty output (-1) keeps the view where it is.
    if (w->first_row >= static_cast<std::uint32_t>(w->last_line))
        w->first_row = w->last_line >= h ? static_cast<std::uint32_t>(w->last_line - h) : 0;
    if (w->crsr > w->last_line)
        w->crsr = w->last_line;
    if (w->crsr != -1)
        scr_crsr_draw(w, w->crsr);
}

void scr_maddstr(widget *w, const char *text, int row, int col, int len)
{
    if (wmove(w->pad, row, col) == OK)
        waddnstr(w->pad, text, len);
    ++w->last_line;
}

void scr_addstr(widget *w, const char *text, int len)
{
    waddnstr(w->pad, text, len);
    ++w->last_line;
}

void scr_attr_set(widget *w, attr_t attrs)
{
    if (w->pad)
        wattrset(w->pad, attrs);
}

// Bytes 1 to 16 choose colour pair n for the text after them and take no
// cell; every other byte is text, UTF-8 included.
static bool colour_byte(unsigned char c)
{
    return c >= 1 && c <= 16;
}

// A cut must not leave half a UTF-8 character behind: curses would keep the
// stray lead bytes and glue them to the next write.
static int utf8_whole(const char *s, int n)
{
    int i = n;
    while (i > 0 && (static_cast<unsigned char>(s[i - 1]) & 0xC0) == 0x80)
        --i;
    if (i == 0)
        return n;
    auto lead = static_cast<unsigned char>(s[i - 1]);
    int need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return n - (i - 1) >= need ? n : i - 1;
}

int scr_addfstr(widget *w, const char *text, int row, int col)
{
    if (!text)
        return 1;
    ++w->last_line;
    if (wmove(w->pad, row, col) != OK)
        return 0;
    wclrtoeol(w->pad);
    // At most right + 1 text bytes, wherever the text starts.
    long limit = static_cast<std::int32_t>(w->right);
    long taken = 0;
    const char *run = text;
    const char *p = text;
    for (; *p && taken <= limit; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (!colour_byte(c)) {
            ++taken;
            continue;
        }
        waddnstr(w->pad, run, static_cast<int>(p - run));
        wattrset(w->pad, COLOR_PAIR(c));
        run = p + 1;
    }
    int n = static_cast<int>(p - run);
    waddnstr(w->pad, run, *p ? utf8_whole(run, n) : n);
    return 0;
}

void scr_werase(widget *w)
{
    werase(w->pad);
}

void scr_delline(widget *w, int row)
{
    if (wmove(w->pad, row, 0) == OK)
        winsdelln(w->pad, -1);
}

void scr_wresize(widget *w, int rows, int cols)
{
    wresize(w->pad, rows, cols);
}

void scr_doupdate()
{
    doupdate();
}
