// A signal that ends vigil gives the terminal back first, and vigil ends
// the signal's own way, so that the shell reports what happened: the
// terminal's modes, standard input's file status flags, the screen that
// was there before and a visible cursor, for every signal whose default
// action ends a process. And a quit signal is taken however busy the input.
#include <csignal>

#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

struct ending {
    const char *name;
    int sig;
    // The key that sends it, or none: the signal is sent to vigil.
    const char *key = nullptr;
};

const ending endings[] = {
    {"CtrlBackslash", SIGQUIT, "\x1c"},
    {"Sigquit", SIGQUIT},
    {"Sigpipe", SIGPIPE},
    {"Sigusr1", SIGUSR1},
    {"Sigusr2", SIGUSR2},
    {"Sigalrm", SIGALRM},
    {"Sigvtalrm", SIGVTALRM},
    {"Sigprof", SIGPROF},
    {"Sigxcpu", SIGXCPU},
    {"Sigxfsz", SIGXFSZ},
    {"Sigpoll", SIGPOLL},
    {"Sigpwr", SIGPWR},
    {"Sigstkflt", SIGSTKFLT},
    {"Sigrtmin", 0}, // SIGRTMIN is not a constant
    {"Sigabrt", SIGABRT},
    {"Sigsegv", SIGSEGV},
    {"Sigbus", SIGBUS},
    {"Sigfpe", SIGFPE},
    {"Sigill", SIGILL},
    {"Sigtrap", SIGTRAP},
    {"Sigsys", SIGSYS},
};

void PrintTo(const ending &e, std::ostream *os)
{
    *os << e.name;
}

class FatalSignal : public testing::TestWithParam<ending> {};

TEST_P(FatalSignal, EndsVigilTheSignalsWayWithTheTerminalGivenBack)
{
    const ending &e = GetParam();
    int sig = e.sig ? e.sig : SIGRTMIN;
    term_options opt;
    // No core files from the signals that dump one.
    opt.prefix = {"sh", "-c", "ulimit -c 0; printf 'prompt$ '; exec \"$@\"", "sh"};
    pty_term t(opt);
    ASSERT_TRUE(t.wait_for(vigil_drawn));
    ASSERT_TRUE(t.alt_screen());
    ASSERT_NE(t.modes_now(), t.modes_before());

    if (e.key)
        t.send(e.key);
    else
        t.signal(sig);
    EXPECT_EQ(t.wait_exit(), 128 + sig);
    EXPECT_EQ(t.killed_by(), sig) << "an exit status of 128 + n is not the same as the signal";

    EXPECT_EQ(t.modes_now(), t.modes_before());
    EXPECT_FALSE(t.alt_screen());
    EXPECT_TRUE(t.cursor_visible());
    EXPECT_EQ(t.row(0), "prompt$") << t.dump();
}

INSTANTIATE_TEST_SUITE_P(Each, FatalSignal, testing::ValuesIn(endings),
                         [](const testing::TestParamInfo<ending> &p) { return std::string(p.param.name); });

// A wait that finds input ready at once takes no signal: with keys pouring
// in, SIGTERM waited for as long as they came.
TEST(QuitSignal, IsTakenWhileKeysPourIn)
{
    pty_term t;
    ASSERT_TRUE(t.wait_for(vigil_drawn));
    // Keys vigil ignores, more than it can read between two of its waits.
    t.flood(std::string(4096, 'x'), 500ms);
    ASSERT_FALSE(t.exited());
    t.signal(SIGTERM);
    t.flood(std::string(4096, 'x'), 3s);
    ASSERT_TRUE(t.exited()) << "SIGTERM was not taken while the input was busy\n" << t.dump();
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_EQ(t.modes_now(), t.modes_before());
}

} // namespace
