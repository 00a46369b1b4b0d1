// The output operations: the reports write text as curses would lay it out
// in the window's pad, a row after each newline and after the pad's right
// edge, tabs to the next multiple of eight. The pad holds only the rows in
// view, so the text is laid out in full but only the rows in view are
// written, and last_line follows the last row that holds text.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/bar.h"
#include "core/text.h"
#include "details/details.h"

namespace {

int out_row = 0;
int out_col = 0;

constexpr int tab_size = 8;

int pad_width()
{
    return getmaxx(exti->pad);
}

void next_row()
{
    ++out_row;
    out_col = 0;
}

// One character of cells cells, as bytes.
void put(const char *bytes, int n, int cells)
{
    if (out_col + cells > pad_width())
        next_row();
    int pr = scr_pad_row(exti, out_row);
    if (pr >= 0)
        mvwaddnstr(exti->pad, pr, out_col, bytes, n);
    if (out_row > exti->last_line)
        exti->last_line = out_row;
    out_col += cells;
    // As curses does: a character in the last column moves the cursor on.
    if (out_col >= pad_width())
        next_row();
}

void out_text(std::string_view s)
{
    while (!s.empty()) {
        if (s[0] == '\n') {
            next_row();
            s.remove_prefix(1);
            continue;
        }
        if (s[0] == '\t') {
            do
                put(" ", 1, 1);
            while (out_col % tab_size != 0 && out_col != 0);
            s.remove_prefix(1);
            continue;
        }
        disp_char d = disp_next(s);
        // The reports' own formats hold no other control byte, and other
        // people's text comes cleaned; a stray one is dropped.
        if (d.cells > 0)
            put(s.data(), d.bytes, d.cells);
        s.remove_prefix(static_cast<std::size_t>(d.bytes));
    }
}

// A piece is cut at 255 bytes, on a character's boundary so that no stray
// byte of a character reaches the screen; when the cut took the newline
// that ended the piece's row, the row still ends, or the next section would
// start on it.
void out_format(const char *fmt, va_list ap)
{
    char buf[256];
    va_list again;
    va_copy(again, ap);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    if (n < 0 || static_cast<std::size_t>(n) < sizeof buf) {
        va_end(again);
        if (n >= 0)
            out_text(buf);
        return;
    }
    std::string whole(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(whole.data(), whole.size(), fmt, again);
    va_end(again);
    whole.pop_back();
    std::string_view s(whole);
    std::size_t cut = 0;
    while (cut < s.size()) {
        auto bytes = static_cast<std::size_t>(disp_next(s.substr(cut)).bytes);
        if (cut + bytes > sizeof buf - 1)
            break;
        cut += bytes;
    }
    out_text(s.substr(0, cut));
    if (s.find('\n', cut) != std::string_view::npos)
        next_row();
}

} // namespace

void plgn_out_start()
{
    scr_output_start(exti);
    out_row = 0;
    out_col = 0;
}

void println(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    out_format(fmt, ap);
    va_end(ap);
}

void print(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    out_format(fmt, ap);
    va_end(ap);
}

void title(const char *fmt, ...)
{
    scr_attr_set(exti, A_BOLD);
    va_list ap;
    va_start(ap, fmt);
    out_format(fmt, ap);
    va_end(ap);
    scr_attr_set(exti, A_NORMAL);
}

void newln()
{
    out_text("\n");
}

void table_row(const char *fmt, ...)
{
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    const int at = out_row;
    for (std::string_view s(buf); !s.empty() && out_row == at;) {
        disp_char d = disp_next(s);
        if (out_col + d.cells > pad_width())
            break;
        if (d.cells > 0)
            put(s.data(), d.bytes, d.cells);
        s.remove_prefix(static_cast<std::size_t>(d.bytes));
    }
    // A row that filled the pad's width has gone on already.
    if (out_row == at)
        next_row();
}

void skip_rows(std::size_t n)
{
    if (n == 0)
        return;
    out_row += static_cast<int>(n);
    out_col = 0;
    if (out_row - 1 > exti->last_line)
        exti->last_line = out_row - 1;
}

void rows_in_view(int ahead, std::size_t &first, std::size_t &count)
{
    long top = (out_col == 0 ? out_row : out_row + 1L) + ahead;
    long view_first = exti->first_row;
    long view_last = view_first + scr_view_h(exti);
    first = view_first > top ? static_cast<std::size_t>(view_first - top) : 0;
    long first_row = top + static_cast<long>(first);
    count = view_last >= first_row ? static_cast<std::size_t>(view_last - first_row + 1) : 0;
}

void print_wrapped(const char *text)
{
    int width = static_cast<std::int32_t>(exti->right) - static_cast<std::int32_t>(exti->left) + 1;
    if (width < 1)
        width = 1;
    std::string_view s(text);
    while (!s.empty()) {
        disp_char d = disp_next(s);
        if (out_col > 0 && out_col + d.cells > width)
            next_row();
        if (d.cells > 0)
            put(s.data(), d.bytes, d.cells);
        s.remove_prefix(static_cast<std::size_t>(d.bytes));
    }
    next_row();
}
