#include <gtest/gtest.h>

#include <string>

#include "kbd/kbd.h"
#include "tests/support/screen/test_screen.h"

namespace {

// A list's pad is as tall as its view.
widget *list_widget(int rows = 24, int cols = 80)
{
    test_screen_init(rows, cols);
    return scr_create(3, 0, static_cast<std::uint32_t>(rows - 2), static_cast<std::uint32_t>(cols - 1), 0,
                      static_cast<std::uint32_t>(cols - 1), "ulist", 3);
}

// Repaints a list of lines "line 0" ... as a list view does: only the rows
// in view, bar included.
void fill(widget *w, int n)
{
    scr_list_start(w, n);
    int last = scr_last_shown(w);
    for (int i = scr_first_shown(w); i <= last; ++i) {
        std::string s = "line " + std::to_string(i);
        scr_maddstr(w, s.c_str(), i, 0, -1);
    }
    scr_list_end(w, n);
}

// A key as the loop hands it to a list of n lines: a view that moved is
// repainted after it.
int key(widget *w, int k, int n)
{
    int r = scr_keyh(w, k);
    if (w->flags & W_DIRTY) {
        w->flags &= static_cast<std::uint8_t>(~W_DIRTY);
        fill(w, n);
    }
    return r;
}

// Logical rows: the pad holds the rows in view.
bool reversed(widget *w, int row)
{
    int pr = row - static_cast<int>(w->first_row);
    return pr >= 0 && (pad_attrs(w->pad, pr, 0) & A_REVERSE) != 0;
}

std::string shown_text(widget *w, int row)
{
    return pad_text(w->pad, row - static_cast<int>(w->first_row), 0, 7);
}

TEST(Draw, ColourBytesSwitchPairsAndTakeNoCell)
{
    widget *w = list_widget();
    EXPECT_EQ(scr_addfstr(w,
                          "\x01"
                          "ab\x03"
                          "cd",
                          0, 0),
              0);
    EXPECT_EQ(pad_text(w->pad, 0, 0, 4), "abcd ");
    EXPECT_EQ(pad_pair(w->pad, 0, 0), 1);
    EXPECT_EQ(pad_pair(w->pad, 0, 1), 1);
    EXPECT_EQ(pad_pair(w->pad, 0, 2), 3);
    EXPECT_EQ(pad_pair(w->pad, 0, 3), 3);
    EXPECT_EQ(PAIR_NUMBER(getattrs(w->pad)), 3); // stays current
    EXPECT_EQ(w->last_line, 1);                  // one line written after creation's 0

    // A null text changes nothing at all.
    EXPECT_EQ(scr_addfstr(w, nullptr, 0, 0), 1);
    EXPECT_EQ(w->last_line, 1);
    EXPECT_EQ(pad_text(w->pad, 0, 0, 3), "abcd");
}

TEST(Draw, FormattedTextIsCutAfterRightPlusOneBytesWhereverItStarts)
{
    widget *w = list_widget(24, 10); // right = 9: ten text bytes at most
    scr_addfstr(w,
                "\x02"
                "0123456789ABCDEF",
                1, 0);
    EXPECT_EQ(pad_text(w->pad, 1, 0, 9), "0123456789");
    scr_addfstr(w,
                "0123\x05"
                "456789ABCDEF",
                2, 3);
    EXPECT_EQ(pad_text(w->pad, 2, 3, 9), "0123456"); // pad ends at column 9
    EXPECT_EQ(pad_pair(w->pad, 2, 7), 5);

    // Text before clears the rest of the row.
    scr_addfstr(w, "x", 1, 0);
    EXPECT_EQ(pad_text(w->pad, 1, 0, 9), "x         ");
}

TEST(Draw, HighBytesAreTextNotColours)
{
    widget *w = list_widget();
    scr_addfstr(w,
                "\x04"
                "caf\xc3\xa9 \xe2\x86\x92 x",
                0, 0);
    EXPECT_EQ(pad_text(w->pad, 0, 0, 7), "café → x");
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(pad_pair(w->pad, 0, c), 4) << c;
}

TEST(Draw, CutNeverLeavesHalfACharacter)
{
    widget *w = list_widget(24, 5); // five cells at most
    scr_addfstr(w,
                "ab\xe2\x86\x92"
                "cdef",
                0, 0); // the arrow: three bytes, one cell
    EXPECT_EQ(pad_text(w->pad, 0, 0, 4), "ab→cd");
    scr_addfstr(w, "abcd\xe4\xb8\xad", 1, 0); // a double-width character would need cells 4 and 5
    EXPECT_EQ(pad_text(w->pad, 1, 0, 4), "abcd ");
    scr_addfstr(w, "\x02\xe4\xb8\xad\xe4\xb8\xad\x03\xe4\xb8\xad", 2, 0); // colour bytes take no cell
    // A double-width cell reads back as its character once per cell.
    EXPECT_EQ(pad_text(w->pad, 2), "中中中中 ");
    scr_addfstr(w, "abcdefgh", 3, 2); // never past the pad's last column onto the next row
    EXPECT_EQ(pad_text(w->pad, 3), "  abc");
    EXPECT_EQ(pad_text(w->pad, 4), "     ");
}

TEST(Draw, BarPaintsReverseAndRestoresEveryCell)
{
    widget *w = list_widget();
    scr_output_start(w);
    scr_addfstr(w, "\x05red \x02green é", 0, 0);
    scr_addfstr(w, "\x06second", 1, 0);
    w->crsr = 0;
    scr_output_end(w);
    EXPECT_TRUE(reversed(w, 0));
    EXPECT_EQ(pad_pair(w->pad, 0, 0), 0); // the bar hides the line's colours
    EXPECT_FALSE(reversed(w, 1));

    scr_keyh(w, KBD_DOWN);
    EXPECT_EQ(w->crsr, 1);
    EXPECT_TRUE(reversed(w, 1));
    EXPECT_FALSE(reversed(w, 0));
    EXPECT_EQ(pad_text(w->pad, 0, 0, 10), "red green é");
    EXPECT_EQ(pad_pair(w->pad, 0, 0), 5);
    EXPECT_EQ(pad_pair(w->pad, 0, 4), 2);
    EXPECT_EQ(pad_pair(w->pad, 0, 10), 2);
    EXPECT_EQ(pad_text(w->pad, 1, 0, 5), "second");
}

TEST(Draw, BarKeepsAWholeRowOfAWideTerminal)
{
    widget *w = list_widget(30, 700);
    std::string row(700, '.');
    for (std::size_t i = 0; i < row.size(); i += 50)
        row[i] = static_cast<char>('A' + i / 50);
    scr_output_start(w);
    scr_maddstr(w, row.c_str(), 0, 0, -1);
    scr_maddstr(w, "next", 1, 0, -1);
    w->crsr = 0;
    scr_output_end(w);
    EXPECT_TRUE((pad_attrs(w->pad, 0, 699) & A_REVERSE) != 0);
    scr_keyh(w, KBD_DOWN);
    EXPECT_EQ(pad_text(w->pad, 0, 0, 699), row);
    EXPECT_EQ(pad_attrs(w->pad, 0, 699) & A_REVERSE, 0u);
}

TEST(Draw, OutputEndClampsViewAndBarToTheLinesWritten)
{
    widget *w = list_widget(); // rows 3..22: H = 19
    fill(w, 100);
    w->first_row = 90;
    w->crsr = 95;
    fill(w, 50);                  // the list shrank under the view
    EXPECT_EQ(w->first_row, 30u); // last page: line 49 on the bottom row
    EXPECT_EQ(w->crsr, 49);
    EXPECT_TRUE(reversed(w, 49));

    fill(w, 5); // shorter than the view
    EXPECT_EQ(w->first_row, 0u);
    EXPECT_EQ(w->crsr, 4);

    fill(w, 0); // empty: no bar, view stays
    EXPECT_EQ(w->crsr, -1);
    EXPECT_EQ(w->first_row, 0u);
    fill(w, 5); // the bar does not come back by itself
    EXPECT_EQ(w->crsr, -1);
}

TEST(Draw, SearchJumpPutsTheRowOnTheSecondToLastVisibleRow)
{
    widget *w = list_widget(); // 20 visible rows: H = 19, K = 18
    fill(w, 200);
    w->first_row = 50;
    scr_crsr_jmp(w, 2);
    EXPECT_EQ(w->first_row, 0u);
    EXPECT_EQ(w->crsr, 2);
    scr_crsr_jmp(w, 100);
    EXPECT_EQ(w->first_row, 82u); // lines 82..101
    EXPECT_EQ(w->crsr, 100);
    EXPECT_TRUE(w->flags & W_DIRTY) << "the view moved: its rows are repainted";
    fill(w, 200);
    EXPECT_TRUE(reversed(w, 100));
    EXPECT_EQ(shown_text(w, 100), "line 100");
    EXPECT_EQ(shown_text(w, 82), "line 82 ");
    scr_crsr_jmp(w, 99); // inside the view, above its last two rows: no scroll
    EXPECT_EQ(w->first_row, 82u);
    scr_crsr_jmp(w, 101); // on the last row counts as outside
    EXPECT_EQ(w->first_row, 83u);
}

TEST(Draw, InsertedAndDeletedLinesKeepTheBarOnItsEntry)
{
    widget *w = list_widget();
    fill(w, 100);
    w->first_row = 10;
    w->crsr = 15;
    scr_linserted(w, 12); // above the bar
    EXPECT_EQ(w->first_row, 11u);
    EXPECT_EQ(w->crsr, 16);
    scr_linserted(w, 40); // below: nothing
    EXPECT_EQ(w->crsr, 16);
    scr_ldeleted(w, 3);
    EXPECT_EQ(w->first_row, 10u);
    EXPECT_EQ(w->crsr, 15);
    scr_ldeleted(w, 15); // the barred line itself: the bar stays on its row
    EXPECT_EQ(w->crsr, 15);

    w->first_row = 0;
    w->crsr = 0;
    scr_linserted(w, 0); // at the top with the bar on line 0: nothing moves
    EXPECT_EQ(w->crsr, 0);
    EXPECT_EQ(w->first_row, 0u);
    w->crsr = 3;
    scr_ldeleted(w, 1); // first_row 0 stays 0
    EXPECT_EQ(w->crsr, 2);
    EXPECT_EQ(w->first_row, 0u);
}

TEST(Draw, DeletedPadLineMovesTheRowsBelowUp)
{
    widget *w = list_widget();
    fill(w, 50);
    w->flags = 0;
    scr_delline(w, 2);
    EXPECT_EQ(pad_text(w->pad, 2, 0, 5), "line 3");
    EXPECT_EQ(pad_text(w->pad, 3, 0, 5), "line 4");
    EXPECT_EQ(pad_text(w->pad, 19, 0, 6), "       ") << "the row coming into view is left to the repaint";
    EXPECT_TRUE(w->flags & W_DIRTY);
    scr_delline(w, 5000); // out of view: nothing moves on the pad
    EXPECT_EQ(pad_text(w->pad, 3, 0, 5), "line 4");
}

struct nav_case {
    const char *what;
    int lines;     // lines written
    int first_row; // view before
    int crsr;      // bar before (-1: none)
    int key;
    int result;
    int want_first;
    int want_crsr;
};

// A list view with 20 visible rows (H = 19).
const nav_case nav_cases[] = {
    {"down inside the view", 50, 0, 3, KBD_DOWN, 1, 0, 4},
    {"down on the last line, nothing below", 10, 0, 9, KBD_DOWN, 1, 0, 9},
    {"down on the last visible row scrolls", 50, 0, 19, KBD_DOWN, 1, 1, 20},
    {"down on the last visible row at the end", 20, 0, 19, KBD_DOWN, 1, 0, 19},
    {"up on the first visible row scrolls", 50, 10, 10, KBD_UP, 1, 9, 9},
    {"up on line 0", 50, 0, 0, KBD_UP, 1, 0, 0},
    {"left and right do nothing with a bar", 50, 0, 5, KBD_LEFT, 1, 0, 5},
    {"right does nothing with a bar", 50, 0, 5, KBD_RIGHT, 1, 0, 5},
    {"page up at the top goes to line 0", 50, 0, 7, KBD_PGUP, 1, 0, 0},
    {"page up keeps the bar's place", 50, 25, 30, KBD_PGUP, 1, 6, 11},
    {"page up near the top", 50, 4, 10, KBD_PGUP, 1, 0, 6},
    {"page down on a short list", 10, 0, 2, KBD_PGDN, 1, 0, 9},
    {"page down keeps the bar's place", 100, 0, 5, KBD_PGDN, 1, 19, 24},
    {"page down near the end", 50, 25, 30, KBD_PGDN, 1, 30, 35},
    {"home at the top", 50, 0, 0, KBD_HOME, 0, 0, 0},
    {"home elsewhere", 50, 20, 25, KBD_HOME, 1, 0, 0},
    {"home with the view scrolled and bar on 0", 50, 3, 0, KBD_HOME, 1, 0, 0},
    {"end on a short list", 10, 0, 2, KBD_END, 1, 0, 9},
    {"end on the last line", 10, 0, 9, KBD_END, 0, 0, 9},
    {"end on a long list", 100, 0, 5, KBD_END, 1, 80, 85},
    {"insert is not navigation", 50, 0, 5, KBD_INS, 0, 0, 5},
    {"delete is not navigation", 50, 0, 5, KBD_DEL, 0, 0, 5},
    {"a letter is not navigation", 50, 0, 5, 'x', 0, 0, 5},
    // Without a bar (the detail window): the view scrolls.
    {"no bar: down scrolls while lines are below", 50, 0, -1, KBD_DOWN, 1, 1, -1},
    {"no bar: down at the end", 20, 0, -1, KBD_DOWN, 1, 0, -1},
    {"no bar: up", 50, 5, -1, KBD_UP, 1, 4, -1},
    {"no bar: page down", 100, 0, -1, KBD_PGDN, 1, 19, -1},
    {"no bar: page up", 100, 30, -1, KBD_PGUP, 1, 11, -1},
    {"no bar: home", 100, 30, -1, KBD_HOME, 1, 0, -1},
    {"no bar: home at the top", 100, 0, -1, KBD_HOME, 0, 0, -1},
    {"no bar: end", 100, 0, -1, KBD_END, 1, 80, -1},
    {"no bar: end on the last page", 100, 80, -1, KBD_END, 0, 80, -1},
};

TEST(Draw, NavigationKeys)
{
    for (const nav_case &c : nav_cases) {
        widget *w = list_widget();
        fill(w, c.lines);
        w->first_row = static_cast<std::uint32_t>(c.first_row);
        if (c.crsr >= 0)
            scr_crsr_jmp(w, c.crsr);
        w->first_row = static_cast<std::uint32_t>(c.first_row);
        w->crsr = c.crsr;
        fill(w, c.lines);
        EXPECT_EQ(key(w, c.key, c.lines), c.result) << c.what;
        EXPECT_EQ(w->first_row, static_cast<std::uint32_t>(c.want_first)) << c.what;
        EXPECT_EQ(w->crsr, c.want_crsr) << c.what;
        if (c.want_crsr >= 0) {
            EXPECT_TRUE(reversed(w, c.want_crsr)) << c.what;
        }
    }
}

TEST(Draw, HorizontalScrollWithoutABar)
{
    test_screen_init(24, 80);
    widget *w = scr_create(5, 15, 18, 64, 256, 128, "exti", 8); // 50 columns shown of 129
    EXPECT_EQ(scr_keyh(w, KBD_LEFT), 1);
    EXPECT_EQ(w->first_col, 0u);
    for (int i = 0; i < 200; ++i)
        scr_keyh(w, KBD_RIGHT);
    EXPECT_EQ(w->first_col, 128u - 49u);
    scr_keyh(w, KBD_LEFT);
    EXPECT_EQ(w->first_col, 128u - 50u);
}

TEST(Draw, FrameCaptionSitsTwoCellsBeforeTheCorner)
{
    test_screen_init(24, 80);
    widget *w = scr_create(5, 15, 18, 64, 256, 128, "exti", 8);
    scr_box(w, "Details", 8);
    ASSERT_NE(w->frame, nullptr);
    EXPECT_EQ(getmaxy(w->frame), 16);
    EXPECT_EQ(getmaxx(w->frame), 52);
    EXPECT_EQ(pad_text(w->frame, 15, 42, 48), "Details");
    EXPECT_EQ(pad_pair(w->frame, 0, 10), 8);
    scr_box(w, "a caption far too long for a frame only fifty-two cells wide", 8);
    EXPECT_EQ(pad_text(w->frame, 15, 42, 48), "Details");

    w->bottom = 10; // the terminal shrank
    w->right = 40;
    scr_decor_resize(w);
    EXPECT_EQ(getmaxy(w->frame), 8);
    EXPECT_EQ(getmaxx(w->frame), 28);
    EXPECT_EQ(pad_text(w->frame, 7).find("Details"), std::string::npos); // redrawn bare
}

} // namespace
