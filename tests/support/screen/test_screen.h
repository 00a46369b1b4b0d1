// A real curses screen for tests of pads, drawn to /dev/null.
#pragma once

#include <string>
#include <vector>

#include "core/widget.h"

// Sets up curses once per test binary (colour pairs included) and sizes the
// one `screen` as a terminal of rows x cols; the widget lists start empty.
void test_screen_init(int rows, int cols);

// The text of pad row `row`, columns from..to inclusive (to -1: the pad's
// last column), without attributes.
std::string pad_text(WINDOW *pad, int row, int from = 0, int to = -1);

// The colour pair and attributes of one pad cell.
int pad_pair(WINDOW *pad, int row, int col);
attr_t pad_attrs(WINDOW *pad, int row, int col);

// One tick as the loop runs it: the periodic slots, every redraw, the refresh.
void screen_tick();

// Keys as the loop hands them out, with the dirty redraw after each.
void screen_keys(const std::vector<int> &ks);
