// vigil's layout as a person sees it before reading any text: the bars are
// told apart by their colours (terminal palette indices).
#pragma once

#include <string>
#include <vector>

#include "tests/support/term/pty_term.h"

inline constexpr int term_black = 0;
inline constexpr int term_cyan = 6;

// Every cell of row `r` shows these colours.
bool row_in_colours(const pty_term &t, int r, int fg, int bg);

// The info bar paints rows 0 and 1 on black and the help line paints the
// last row, and only that row, cyan on black.
bool vigil_drawn(const pty_term &t);

// The row painted in reverse video across the whole width, the list's bar;
// -1 when there is none, -2 when reverse video shows anywhere else too.
int bar_row(const pty_term &t);

// The characters of row `r` from column `from` to `to`, blanks at the end
// left off: the text of a framed window's row.
std::string cells_text(const pty_term &t, int r, int from, int to);

// Rows `from` to the last, each cell's character and colours, so that two
// screens can be compared whole.
std::vector<std::string> screen_look(const pty_term &t, int from);
