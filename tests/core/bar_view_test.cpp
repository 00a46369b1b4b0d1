// The bar's row stays inside its list's view: after a jump in a terminal
// too short to show the list at all, and after any resize.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/bar.h"
#include "core/loop.h"
#include "tests/support/screen/test_screen.h"

namespace {

constexpr int lines = 12;

void twelve_lines(widget *w)
{
    scr_list_start(w, lines);
    int last = scr_last_shown(w);
    for (int i = scr_first_shown(w); i <= last; ++i)
        scr_maddstr(w, ("line " + std::to_string(i)).c_str(), i, 0, -1);
    scr_list_end(w, lines);
}

// A list as start-up makes it, on a terminal of rows x 80.
widget *list(int rows)
{
    test_screen_init(rows, 80);
    widget *w = scr_create(3, 0, static_cast<std::uint32_t>(rows - 2), 79, 0, 79, "ulist", 3);
    w->crsr = 0;
    w->redraw = twelve_lines;
    w->refresh = scr_wrefresh;
    twelve_lines(w);
    return w;
}

testing::AssertionResult bar_in_view(const widget *w)
{
    long first = w->first_row;
    if (w->crsr >= first && w->crsr <= first + scr_view_h(w))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "bar on line " << w->crsr << ", view from line " << first << " over "
                                       << scr_view_h(w) + 1 << " rows";
}

TEST(BarView, AJumpInATerminalTooShortForTheListStopsAtTheBar)
{
    for (int rows : {3, 4, 5, 6, 24}) {
        SCOPED_TRACE(std::to_string(rows) + " rows");
        widget *w = list(rows);
        for (int target : {5, 11, 2, 0}) {
            scr_crsr_jmp(w, target);
            EXPECT_EQ(w->crsr, target);
            EXPECT_TRUE(bar_in_view(w));
        }
    }
}

TEST(BarView, EveryResizeLeavesTheBarInView)
{
    widget *w = list(24);
    scr_crsr_jmp(w, 10);
    const std::pair<int, int> sizes[] = {{6, 80}, {3, 80}, {1, 1}, {24, 80}, {4, 40}, {30, 80}, {5, 80}, {24, 80}};
    for (auto [rows, cols] : sizes) {
        SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(cols));
        resize_widgets(rows, cols);
        EXPECT_EQ(w->crsr, 10);
        EXPECT_TRUE(bar_in_view(w));
    }
    EXPECT_NE(pad_attrs(w->pad, 10 - static_cast<int>(w->first_row), 0) & A_REVERSE, 0u);
}

} // namespace
