#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/layout.h"
#include "core/loop.h"
#include "kbd/kbd.h"
#include "tests/support/screen/test_screen.h"

namespace {

std::vector<std::string> calls;

int note_key(widget *w, int)
{
    calls.push_back(w->label);
    return 1;
}

void note_redraw(widget *w)
{
    calls.push_back(std::string("redraw ") + w->label);
}

// The six widgets as start-up makes them on a terminal of rows x cols,
// shown, with no view's slots.
std::vector<widget *> six(int rows, int cols)
{
    test_screen_init(rows, cols);
    std::vector<widget *> w;
    for (const widget_region &region : widget_layout(rows, cols)) {
        w.push_back(make_widget(region));
        w.back()->refresh = scr_wrefresh;
    }
    return w;
}

TEST(Loop, CreationGeometry)
{
    auto w = six(24, 80);
    widget *exti = w[4];
    EXPECT_EQ(exti->top, 5u);
    EXPECT_EQ(exti->bottom, 18u);
    EXPECT_EQ(exti->left, 15u);
    EXPECT_EQ(exti->right, 64u);
    EXPECT_EQ(getmaxy(exti->pad), 15); // as tall as its view, and the spare row
    EXPECT_EQ(getmaxx(exti->pad), 129);
    widget *input = w[5]; // derived from the geometry, plus the spare row and column
    EXPECT_EQ(input->pad_rows, 1u);
    EXPECT_EQ(input->pad_cols, 80u);
    EXPECT_EQ(getmaxy(input->pad), 2);
    EXPECT_EQ(getmaxx(input->pad), 81);
    EXPECT_EQ(w[2]->crsr, 0) << "a list starts with its bar on its first line";
    EXPECT_EQ(w[4]->crsr, -1);
    EXPECT_EQ(PAIR_NUMBER(getbkgd(w[1]->pad)), 1);
}

TEST(Loop, KeysGoNewestFirstAndAConsumedKeyNeverQuits)
{
    auto w = six(24, 80);
    for (widget *x : w)
        x->keyh = note_key;
    w[4]->keyh = nullptr;

    calls.clear();
    EXPECT_FALSE(dispatch_key('x'));
    EXPECT_EQ(calls, (std::vector<std::string>{"input", "ptree", "ulist", "help", "info"}));
    EXPECT_TRUE(dispatch_key('q'));
    EXPECT_TRUE(dispatch_key(KBD_ESC));
    EXPECT_FALSE(dispatch_key('Q'));
    EXPECT_FALSE(dispatch_key(KBD_META | 'q'));

    calls.clear();
    w[3]->keyh = [](widget *x, int key) {
        return note_key(x, key) + (key == 'q');
    };
    EXPECT_FALSE(dispatch_key('q')); // consumed by ptree: stops there, no quit
    EXPECT_EQ(calls, (std::vector<std::string>{"input", "ptree"}));
}

TEST(Loop, RedrawPassesClearTheFlagFirst)
{
    auto w = six(24, 80);
    for (widget *x : w)
        x->redraw = note_redraw;
    w[1]->redraw = [](widget *x) {
        note_redraw(x);
        x->flags |= W_DIRTY; // a view that follows something redraws on every key
    };
    w[2]->flags |= W_DIRTY;
    w[4]->flags |= W_DIRTY;

    calls.clear();
    pass_redraw_dirty();
    EXPECT_EQ(calls, (std::vector<std::string>{"redraw ulist", "redraw exti"}));
    calls.clear();
    pass_redraw_all();
    EXPECT_EQ(calls.size(), 6u);
    calls.clear();
    pass_redraw_dirty();
    EXPECT_EQ(calls, (std::vector<std::string>{"redraw help"}));
    EXPECT_EQ(w[2]->flags & W_DIRTY, 0);
}

TEST(Loop, TickCountsWholeSecondsCrossed)
{
    EXPECT_EQ(tick_countdown(3, 100, 100), 3); // a short wait within one second
    EXPECT_EQ(tick_countdown(3, 100, 101), 2); // a key held down still crosses seconds
    EXPECT_EQ(tick_countdown(1, 100, 103), -2);
    int remaining = TICK_SECONDS;
    std::time_t t = 1000;
    int waits = 0;
    // Keys every 0.4 s: the countdown ends after the third second boundary.
    for (double now = 1000.0; remaining > 0; now += 0.4, ++waits) {
        std::time_t next = static_cast<std::time_t>(now + 0.4);
        remaining = tick_countdown(remaining, t, next);
        t = next;
    }
    EXPECT_EQ(waits, 8);
}

TEST(Loop, TickComesOnTimeAcrossAClockSteppedBack)
{
    // One-second waits; during the second the clock is stepped back an
    // hour (NTP, a restored virtual machine). The tick still comes after
    // the third second of waiting, not an hour later.
    int remaining = TICK_SECONDS;
    std::time_t readings[] = {5000, 5001, 1401, 1402, 1403};
    int waits = 0;
    for (std::size_t i = 1; i < std::size(readings) && remaining > 0; ++i, ++waits) {
        remaining = tick_countdown(remaining, readings[i - 1], readings[i]);
        EXPECT_LE(remaining, TICK_SECONDS) << "after wait " << i;
    }
    EXPECT_LE(remaining, 0);
    EXPECT_EQ(waits, 4);
}

TEST(Loop, ResizeMovesListsAndKeepsBars)
{
    auto w = six(24, 80);
    resize_widgets(29, 80); // five rows taller
    EXPECT_EQ(w[2]->bottom, 27u);
    EXPECT_EQ(w[3]->bottom, 27u);
    EXPECT_EQ(w[0]->bottom, 1u);
    EXPECT_EQ(w[1]->top, 23u); // the help line places itself from the screen size
    EXPECT_EQ(w[1]->bottom, 23u);
    EXPECT_EQ(w[5]->bottom, 23u);
    EXPECT_EQ(w[4]->top, 5u); // the detail window keeps its corner
    EXPECT_EQ(w[4]->bottom, 23u);
    EXPECT_EQ(the_screen.last_row, 28);

    resize_widgets(29, 150); // wider than the detail window's pad
    EXPECT_EQ(w[4]->right, 134u);
    EXPECT_EQ(getmaxx(w[4]->pad), 151);
    EXPECT_EQ(w[2]->pad_cols, 150u);
    EXPECT_EQ(getmaxy(w[2]->pad), 26); // the list's view: rows 3 to 27
    resize_widgets(29, 60);            // pads never get narrower
    EXPECT_EQ(getmaxx(w[4]->pad), 151);
    EXPECT_EQ(getmaxy(w[4]->pad), 20);
    EXPECT_EQ(w[4]->right, 44u);
}

TEST(Loop, ResizeToOneCellAndBackRestoresEveryRectangle)
{
    auto w = six(24, 80);
    std::vector<widget> before;
    for (widget *x : w)
        before.push_back(*x);
    scr_box(w[4], "Frame", 8);
    for (auto [r, c] : {std::pair{1, 1}, {2, 2}, {1, 200}, {200, 1}, {200, 500}, {3, 3}, {24, 80}})
        resize_widgets(r, c);
    for (std::size_t i = 0; i < w.size(); ++i) {
        EXPECT_EQ(w[i]->right, before[i].right) << w[i]->label;
        EXPECT_EQ(w[i]->bottom, before[i].bottom) << w[i]->label;
        EXPECT_EQ(w[i]->top, before[i].top) << w[i]->label;
    }
    EXPECT_EQ(getmaxx(w[4]->frame), 52);
    EXPECT_EQ(getmaxy(w[4]->frame), 16);
}

} // namespace
