// Where vigil cannot work it says why in one line on standard error and
// ends with status 1, leaving the terminal exactly as it was: a standard
// input that is no terminal (closed, endless, a file, a pipe), a terminal
// that cannot position the cursor, and one that curses does not know.
#include <string>
#include <vector>

#include "tests/support/term/pty_term.h"

namespace {

const std::string not_a_terminal = "vigil: standard input is not a terminal";

struct refusal {
    const char *name;
    // The shell words that start vigil ("$@") with its input redirected.
    const char *start;
    const char *term;
    std::string message;
};

const refusal refusals[] = {
    {"InputClosed", "exec \"$@\" <&-", "xterm-256color", not_a_terminal},
    {"InputEndless", "exec \"$@\" </dev/zero", "xterm-256color", not_a_terminal},
    {"InputEmpty", "exec \"$@\" </dev/null", "xterm-256color", not_a_terminal},
    {"InputAFile", "exec \"$@\" </etc/passwd", "xterm-256color", not_a_terminal},
    {"InputAPipe", "printf q | \"$@\"", "xterm-256color", not_a_terminal},
    {"DumbTerminal", "exec \"$@\"", "dumb", "vigil: terminal 'dumb' cannot position the cursor"},
    {"UnknownTerminal", "exec \"$@\"", "no-such-terminal",
     "vigil: terminal 'no-such-terminal' cannot position the cursor"},
};

void PrintTo(const refusal &r, std::ostream *os)
{
    *os << r.name;
}

class StartRefused : public testing::TestWithParam<refusal> {};

TEST_P(StartRefused, SaysWhyAndLeavesTheTerminalAlone)
{
    const refusal &r = GetParam();
    term_options opt;
    opt.prefix = {"sh", "-c", r.start, "sh"};
    for (auto &e : opt.env)
        if (e.rfind("TERM=", 0) == 0)
            e = std::string("TERM=") + r.term;
    pty_term t(opt);

    EXPECT_EQ(t.wait_exit(), 1);
    // The message is all there is on screen: nothing else was drawn.
    std::vector<std::string> expected(static_cast<std::size_t>(t.rows()));
    expected[0] = r.message;
    EXPECT_EQ(t.screen(), expected) << t.dump();
    EXPECT_EQ(t.modes_now(), t.modes_before());
    EXPECT_FALSE(t.alt_screen());
    EXPECT_TRUE(t.cursor_visible());
}

INSTANTIATE_TEST_SUITE_P(Where, StartRefused, testing::ValuesIn(refusals),
                         [](const testing::TestParamInfo<refusal> &p) { return std::string(p.param.name); });

} // namespace
