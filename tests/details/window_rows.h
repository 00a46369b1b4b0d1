// What the detail window shows, read back from its pad.
#pragma once

#include <string>
#include <vector>

#include "tests/support/screen/test_screen.h"

// The window's rows in view, as the pad holds them, trailing blanks off and
// the empty rows below the text left out.
inline std::vector<std::string> shown(widget *w)
{
    std::vector<std::string> rows;
    for (int r = 0; r <= static_cast<int>(w->bottom - w->top); ++r) {
        std::string row = pad_text(w->pad, r);
        rows.push_back(row.erase(row.find_last_not_of(' ') + 1));
    }
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    return rows;
}
