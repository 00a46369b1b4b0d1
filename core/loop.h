// The passes over the widgets, key dispatch, the tick countdown and resizes:
// the parts of the main loop that do not wait.
#pragma once

#include <ctime>

#include "core/widget.h"

// Each walks the widgets from the oldest to the newest and skips null slots.
void pass_periodic();
void pass_redraw_all();
void pass_redraw_dirty();
void pass_refresh();

// Offers a key to the widgets, newest first. True when the key should end
// the program: Escape or "q" that no widget consumed.
bool dispatch_key(int key);

// Seconds left of the three-second period after a wait that began and
// ended at these seconds of a clock. Only whole seconds count, so a wait
// that crosses a second boundary counts it, however short. A clock read
// backwards counts nothing.
int tick_countdown(int remaining, std::time_t before, std::time_t after);
constexpr int TICK_SECONDS = 3;

// Moves and stretches the widgets for a terminal of rows x cols, keeps
// each bar in its list's view, tells curses, and repaints every cell.
void resize_widgets(int rows, int cols);
