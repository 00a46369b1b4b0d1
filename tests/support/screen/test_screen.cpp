#include "tests/support/screen/test_screen.h"

#include <clocale>
#include <cstdio>

#include "core/curses_init.h"
#include "core/loop.h"

namespace {
SCREEN *test_term = nullptr;
FILE *out = nullptr;
FILE *in = nullptr;
} // namespace

void test_screen_init(int rows, int cols)
{
    if (!test_term) {
        std::setlocale(LC_ALL, "C.UTF-8");
        out = std::fopen("/dev/null", "w");
        in = std::fopen("/dev/null", "r");
        test_term = newterm("xterm-256color", out, in);
        set_term(test_term);
        start_color();
        init_colour_pairs();
    }
    resizeterm(rows, cols);
    // The program never frees a widget; a test that starts afresh does, so
    // that the leak checker sees only real leaks.
    for (widget *w = the_screen.oldest; w;) {
        widget *next = w->newer;
        if (w->frame)
            delwin(w->frame);
        delwin(w->pad);
        delete w;
        w = next;
    }
    the_screen = screen{};
    the_screen.last_row = rows - 1;
    the_screen.last_col = cols - 1;
}

std::string pad_text(WINDOW *pad, int row, int from, int to)
{
    if (to < 0)
        to = getmaxx(pad) - 1;
    std::string s;
    for (int c = from; c <= to; ++c) {
        cchar_t cell;
        if (mvwin_wch(pad, row, c, &cell) == ERR)
            break;
        wchar_t wc[CCHARW_MAX + 1] = {};
        attr_t a;
        short p;
        getcchar(&cell, wc, &a, &p, nullptr);
        char mb[16];
        for (int i = 0; wc[i]; ++i) {
            int n = std::wctomb(mb, wc[i]);
            if (n > 0)
                s.append(mb, static_cast<std::size_t>(n));
        }
    }
    return s;
}

int pad_pair(WINDOW *pad, int row, int col)
{
    cchar_t cell;
    if (mvwin_wch(pad, row, col, &cell) == ERR)
        return -1;
    wchar_t wc[CCHARW_MAX + 1];
    attr_t a;
    short p;
    getcchar(&cell, wc, &a, &p, nullptr);
    return p;
}

attr_t pad_attrs(WINDOW *pad, int row, int col)
{
    cchar_t cell;
    if (mvwin_wch(pad, row, col, &cell) == ERR)
        return 0;
    wchar_t wc[CCHARW_MAX + 1];
    attr_t a;
    short p;
    getcchar(&cell, wc, &a, &p, nullptr);
    return a & ~A_COLOR;
}

void screen_tick()
{
    pass_periodic();
    pass_redraw_all();
    pass_refresh();
}

void screen_keys(const std::vector<int> &ks)
{
    for (int k : ks) {
        dispatch_key(k);
        pass_redraw_dirty();
        pass_refresh();
    }
}
