// Patterns whose repetitions would take seconds and gigabytes to compile:
// typed into the search line they are refused as patterns that do not
// compile, the line stays open showing them, and the next key is answered
// as promptly as any.
#include <string>

#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

bool last_row_is(const pty_term &t, const std::string &text)
{
    return t.row(t.rows() - 1) == text;
}

TEST(SearchCost, PatternsThatWouldBlowUpLeaveTheKeysAnswered)
{
    for (std::string pattern : {"((a{255}){255}){255}", "(((a{99}){99}){99}){99}"}) {
        SCOPED_TRACE(pattern);
        term_options opt;
        // Should the guard ever let these through, the compiler fails for
        // want of memory instead of taking the machine's. The sanitizer's
        // shadow memory needs the address space: there the plain build's
        // run is the guard.
        if (!VIGIL_SANITIZED)
            opt.prefix = {"prlimit", "--as=1073741824", "--"};
        pty_term t(opt);
        ASSERT_TRUE(t.wait_for(vigil_drawn));
        t.send("/");
        ASSERT_TRUE(t.wait_for([](const pty_term &s) { return last_row_is(s, "Find:"); }));

        // Every key compiles what is typed so far; the screen shows the
        // last character once that key was answered.
        t.send(pattern);
        EXPECT_TRUE(t.wait_for([&](const pty_term &s) { return last_row_is(s, "Find: " + pattern); }, 2s));
        t.send("\x1b");
        EXPECT_TRUE(t.wait_for(vigil_drawn, 2s)) << "Escape did not close the search line";
        t.send("q");
        EXPECT_EQ(t.wait_exit(), 0);
    }
}

} // namespace
