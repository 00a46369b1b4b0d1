// vigil follows the terminal's size: whatever sizes it went through, the
// bars sit on the first rows and the last row of the size it has now.
#include <algorithm>
#include <random>
#include <utility>
#include <vector>

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

} // namespace
