// vigil follows the terminal's size: whatever sizes it went through, the
// bars sit on the first rows and the last row of the size it has now.
#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

TEST(Resize, BarsFollowEachNewSize)
{
    pty_term t;
    ASSERT_TRUE(t.wait_for(vigil_drawn));
    const std::pair<int, int> sizes[] = {{40, 120}, {10, 60}, {24, 20}, {30, 30}, {24, 80}};
    for (auto [rows, cols] : sizes) {
        SCOPED_TRACE(testing::Message() << rows << "x" << cols);
        t.resize(rows, cols);
        EXPECT_TRUE(t.wait_for(vigil_drawn));
    }
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(Resize, SurvivesAStormAndRedrawsAtTheFinalSize)
{
    pty_term t;
    ASSERT_TRUE(t.wait_for(vigil_drawn));
    ASSERT_TRUE(t.settle());
    // The info bar's rows carry figures that may change meanwhile; the rest
    // of the screen must come back exactly.
    const auto before = screen_look(t, 2);

    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> rows(1, 200), cols(1, 500);
    std::vector<std::pair<int, int>> storm = {{1, 1}, {2, 2}, {200, 500}, {1, 500}, {200, 1}};
    while (storm.size() < 30)
        storm.emplace_back(rows(rng), cols(rng));
    std::shuffle(storm.begin(), storm.end(), rng);
    for (auto [r, c] : storm)
        t.resize(r, c);
    ASSERT_TRUE(t.settle());
    ASSERT_FALSE(t.exited()) << t.wait_exit();

    t.resize(24, 80);
    EXPECT_TRUE(t.wait_for([&](const pty_term &s) { return vigil_drawn(s) && screen_look(s, 2) == before; }));
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_EQ(t.modes_now(), t.modes_before());
}

// A terminal shrunk to three rows shows only the info bar and the search
// line; a search there still moves the bar, and once the terminal grows
// again every cell is repainted: nothing of the old last row is left on
// row 2, and the bar is where the list shows it.
TEST(Resize, ASearchInThreeRowsThenGrowingLeavesNothingStaleAndTheBarInView)
{
    if (std::string why = login_sandbox::unavailable(); !why.empty())
        GTEST_SKIP() << why;
    login_sandbox box({console_login()});
    pty_term t(box.options());
    ASSERT_TRUE(box.started(t));
    // More logins than the view would show were it scrolled past the bar.
    std::vector<test_login> logins;
    for (int i = 1; i <= 12; ++i)
        logins.push_back({0, "user" + std::to_string(i), "pts/" + std::to_string(i), "", false});
    box.write(logins);
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return s.row(14).find("user12") != std::string::npos; }));

    t.resize(3, 80);
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return s.row(2).find("[ENT]") == 0; }));
    t.send("/user6");
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return s.row(2) == "Find: user6"; }));
    t.send("\x1b");
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return s.row(2).find("[ENT]") == 0; }));

    t.resize(24, 80);
    EXPECT_TRUE(t.wait_for([](const pty_term &s) {
        int bar = bar_row(s);
        return vigil_drawn(s) && s.row(2).empty() && bar >= 3 && s.row(bar).find("user6 ") != std::string::npos;
    }));
    // A tick repaints the list; still nothing on row 2, still the bar.
    int bar = bar_row(t);
    t.run_for(3500ms);
    EXPECT_EQ(t.row(2), "") << t.dump();
    EXPECT_EQ(bar_row(t), bar) << t.dump();
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

} // namespace
