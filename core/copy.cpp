// The copy of a pad onto the virtual screen, in whole characters.
//
// A rectangle laid over what older widgets copied can cut one of their
// double-width characters in two, and its own last column can hold the
// first half of one whose second half it leaves out. Curses would send such
// a half as the whole character, which the terminal draws across the
// neighbouring cell; from then on its idea of the row and the terminal's
// differ, and the row stays shifted, with a border cell standing in it,
// until its text changes. So a half that loses its other half becomes a
// blank in the row's colours. The rows are copied whole again once nothing
// lies over them, which puts the characters back.
#include <cwchar>
#include <utility>
#include <vector>

#include "core/widget.h"

namespace {

// Reading a cell moves the window's cursor, and the cursor of the virtual
// screen and of the search line's pad is where the terminal's goes.
struct keep_cursor {
    WINDOW *win;
    int y, x;
    explicit keep_cursor(WINDOW *w) : win(w) { getyx(w, y, x); }
    ~keep_cursor() { wmove(win, y, x); }
    keep_cursor(const keep_cursor &) = delete;
    keep_cursor &operator=(const keep_cursor &) = delete;
};

// A row's characters from its first column, each once: curses hands out
// both cells of a double-width character alike one by one, but leaves the
// second out of a row read whole. Kept between copies.
std::vector<cchar_t> row_chars;

// 2 for a double-width character, marks or not; 0 for the row's end.
int cells_of(const cchar_t &c)
{
    wchar_t wc[CCHARW_MAX + 1] = {};
    attr_t attrs;
    short pair;
    if (getcchar(&c, wc, &attrs, &pair, nullptr) == ERR || wc[0] == 0)
        return 0;
    return wcwidth(wc[0]) == 2 ? 2 : 1;
}

// The columns where the characters that cover `col` and `also` begin, read
// once from the row's start up to the later of them.
std::pair<int, int> starts_of(WINDOW *win, int row, int col, int also)
{
    row_chars.resize(static_cast<std::size_t>(also) + 2);
    int n = mvwin_wchnstr(win, row, 0, row_chars.data(), also + 1) == ERR ? 0 : also + 1;
    std::pair<int, int> at{col, also};
    int x = 0;
    for (int i = 0; i < n && x <= also; ++i) {
        int w = cells_of(row_chars[static_cast<std::size_t>(i)]);
        if (w == 0)
            break;
        if (x <= col && col < x + w)
            at.first = x;
        if (x <= also && also < x + w)
            at.second = x;
        x += w;
    }
    return at;
}

void blank(int row, int col)
{
    cchar_t cell;
    wchar_t wc[CCHARW_MAX + 1] = {};
    attr_t attrs = A_NORMAL;
    short pair = 0;
    if (mvwin_wch(newscr, row, col, &cell) == OK)
        getcchar(&cell, wc, &attrs, &pair, nullptr);
    cchar_t space;
    setcchar(&space, L" ", attrs, pair, nullptr);
    mvwadd_wch(newscr, row, col, &space);
}

// Before the copy: the halves outside the rectangle of characters that
// its edges cut.
void blank_cut_neighbours(int row, int left, int right)
{
    int after = right < COLS - 1 ? right + 1 : right;
    auto [at_left, after_right] = starts_of(newscr, row, left, after);
    if (at_left < left)
        blank(row, left - 1);
    if (after > right && after_right <= right)
        blank(row, after);
}

} // namespace

void scr_copy(WINDOW *pad, long prow, long pcol, long top, long left, long bottom, long right)
{
    if (!pad)
        return;
    if (top < 0) {
        prow -= top;
        top = 0;
    }
    if (left < 0) {
        pcol -= left;
        left = 0;
    }
    if (bottom > LINES - 1)
        bottom = LINES - 1;
    if (right > COLS - 1)
        right = COLS - 1;
    if (bottom < top || right < left)
        return;
    auto t = static_cast<int>(top), l = static_cast<int>(left);
    auto b = static_cast<int>(bottom), r = static_cast<int>(right);
    auto pr = static_cast<int>(prow), pc = static_cast<int>(pcol);
    if (l > 0 || r < COLS - 1) {
        keep_cursor screen_cursor(newscr);
        for (int row = t; row <= b; ++row)
            blank_cut_neighbours(row, l, r);
    }
    pnoutrefresh(pad, pr, pc, t, l, b, r);
    // Curses itself blanks the second half of a character in the pad's
    // first column copied; the first half in the last is left to us.
    int last = pc + (r - l);
    if (last < getmaxx(pad) - 1) {
        keep_cursor screen_cursor(newscr);
        keep_cursor pad_cursor(pad);
        // A character that begins in the last column copied and goes on
        // past it.
        for (int row = t; row <= b && pr + (row - t) < getmaxy(pad); ++row)
            if (starts_of(pad, pr + (row - t), last, last + 1).second == last)
                blank(row, r);
    }
}
