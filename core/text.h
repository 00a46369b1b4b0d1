// Other people's text on screen. Command lines, command names, login
// records, user names and paths are written by other users; every piece of
// such text reaches a pad only through here. Each control byte, C1 control,
// bidirectional control and byte of invalid UTF-8 becomes the one-cell
// stand-in "?", so no byte of it can move the cursor, change a colour,
// reverse the row or reach the terminal as a sequence; and widths are
// counted in terminal cells, so a column stays a column and a row never
// wraps. Under a locale that is not UTF-8 every byte above 127 is a
// stand-in too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr char DISP_STAND_IN = '?';

// The display form of all of `in`, however wide.
std::string disp_clean(std::string_view in);

// Appends the display form of `in` to the terminated text in out (a buffer
// of out_size bytes, which stays terminated), no wider than max_cells
// cells: a character that would cross the limit, or not fit in the buffer,
// ends the text there, so a double-width one is never cut in half. Returns
// the cells appended.
int disp_append(char *out, std::size_t out_size, std::string_view in, int max_cells);

// The cells a text takes. Colour bytes (1 to 16) take none; the text is
// otherwise taken to be display text already (a stray byte counts one).
int disp_cells(std::string_view text);

// The next character of s: its length in bytes and its cells, for a text
// that is display text already. A colour byte is one byte of no cells.
struct disp_char {
    int bytes;
    int cells;
};
disp_char disp_next(std::string_view s);

// One line for a list, built from vigil's own text and other people's, no
// wider than `width` cells. The line lives in the caller's buffer.
struct disp_line {
    disp_line(char *buf, std::size_t size, int width);

    // vigil's own text: ASCII and colour bytes, taken as they stand but for
    // the width.
    disp_line &own(std::string_view text);
    // Other people's text, as much as fits.
    disp_line &text(std::string_view foreign);
    // Other people's text as a column: cut to at most max_cells and padded
    // with blanks to at least min_cells.
    disp_line &column(std::string_view foreign, int min_cells, int max_cells);

    const char *str() const { return buf_; }
    std::size_t len() const { return len_; }
    int cells() const { return cells_; }

private:
    void pad(int cells);
    char *buf_;
    std::size_t size_;
    std::size_t len_ = 0;
    int cells_ = 0;
    int width_;
};
