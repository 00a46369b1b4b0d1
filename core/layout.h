// The six regions of the screen as start-up lays them out, oldest first:
// one table for vigil, its tests and its benchmarks.
#pragma once

#include <array>
#include <cstdint>

#include "core/widget.h"

// The regions in the order they are made, which is the order keys are
// offered in reverse and pads are copied in.
enum : int { INFO_W, HELP_W, ULIST_W, PTREE_W, EXTI_W, INPUT_W, WIDGET_COUNT };

struct widget_region {
    std::uint32_t top, left, bottom, right; // inclusive terminal cells
    std::uint32_t pad_rows, pad_cols;       // 0: derived from the rectangle
    const char *label;
    std::uint8_t clr;
    std::uint8_t flags;
    bool bar;    // a list: its bar starts on its first line
    bool listed; // start-up registers it for messages (the views of the others do)
};

// Every region on a terminal of rows x cols.
std::array<widget_region, WIDGET_COUNT> widget_layout(int rows, int cols);

// The widget of one region, with its flags and bar, on the message list
// when the table says so; no view's slots are filled yet.
widget *make_widget(const widget_region &region);
