// Every way out of vigil ends it with status 0 and hands the terminal back
// as it was: its modes, standard input's file status flags, the screen
// that was there before and a visible cursor.
#include <csignal>
#include <fcntl.h>

#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

struct way_out {
    const char *name;
    void (*act)(pty_term &);
    // Off: the terminal is not vigil's controlling terminal, so a hang-up
    // reaches it only as the end of its input.
    bool controlling;
    // The master side was closed: the terminal is gone and only the file
    // status flags of standard input can still be read.
    bool hangs_up;
};

const way_out ways_out[] = {
    {"q", [](pty_term &t) { t.send("q"); }, true, false},
    {"LoneEscape", [](pty_term &t) { t.send("\x1b"); }, true, false},
    {"CtrlC", [](pty_term &t) { t.send("\x03"); }, true, false},
    {"Sigint", [](pty_term &t) { t.signal(SIGINT); }, true, false},
    {"Sigterm", [](pty_term &t) { t.signal(SIGTERM); }, true, false},
    {"Sighup", [](pty_term &t) { t.signal(SIGHUP); }, true, false},
    {"HangUp", [](pty_term &t) { t.hang_up(); }, true, true},
    {"EndOfInput", [](pty_term &t) { t.hang_up(); }, false, true},
};

void PrintTo(const way_out &way, std::ostream *os)
{
    *os << way.name;
}

class Quit : public testing::TestWithParam<way_out> {};

TEST_P(Quit, EndsWithStatusZeroAndRestoresTheTerminal)
{
    const way_out &way = GetParam();
    term_options opt;
    opt.controlling = way.controlling;
    // A shell prompt left on the normal screen must be there again afterwards.
    opt.prefix = {"sh", "-c", "printf 'prompt$ '; exec \"$@\"", "sh"};
    pty_term t(opt);
    ASSERT_TRUE(t.wait_for(vigil_drawn));
    EXPECT_TRUE(t.alt_screen());
    EXPECT_FALSE(t.cursor_visible());
    // The terminal really is in vigil's mode, so that getting it back means something.
    term_modes running = t.modes_now();
    EXPECT_EQ(running.tio.c_lflag & (ICANON | ECHO), 0u) << running;
    EXPECT_NE(running.status_flags & O_NONBLOCK, 0) << running;
    EXPECT_TRUE(running.tio.c_lflag & ISIG) << "Ctrl+C must stay a signal: " << running;

    way.act(t);
    EXPECT_EQ(t.wait_exit(), 0);

    EXPECT_EQ(t.modes_now().status_flags, t.modes_before().status_flags);
    if (way.hangs_up)
        return;
    EXPECT_EQ(t.modes_now(), t.modes_before());
    EXPECT_FALSE(t.alt_screen());
    EXPECT_TRUE(t.cursor_visible());
    EXPECT_EQ(t.row(0), "prompt$") << t.dump();
}

INSTANTIATE_TEST_SUITE_P(Ways, Quit, testing::ValuesIn(ways_out),
                         [](const testing::TestParamInfo<way_out> &p) { return std::string(p.param.name); });

} // namespace
