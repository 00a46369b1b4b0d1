// getkey on the real standard input: it never waits for a byte, even when
// the file status flags say reads may block, as they do after a shell had
// the terminal while vigil was stopped.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include "kbd/kbd.h"

namespace {

volatile std::sig_atomic_t woken = 0;

// Standard input replaced by the read end of a pipe whose reads block; an
// alarm every half second frees a read that waits, and says so.
struct BlockingStdin : testing::Test {
    int saved = -1;
    int to_stdin = -1;
    struct sigaction old_alarm {};

    void SetUp() override
    {
        int p[2];
        ASSERT_EQ(pipe(p), 0);
        saved = dup(0);
        dup2(p[0], 0);
        close(p[0]);
        to_stdin = p[1];
        ASSERT_EQ(fcntl(0, F_GETFL) & O_NONBLOCK, 0);
        struct sigaction sa {};
        sa.sa_handler = [](int) {
            woken = 1;
        };
        sigaction(SIGALRM, &sa, &old_alarm);
        woken = 0;
        itimerval every{{0, 500'000}, {0, 500'000}};
        setitimer(ITIMER_REAL, &every, nullptr);
        kbd_reset();
        kbd_set_reader(nullptr);
    }
    void TearDown() override
    {
        itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
        sigaction(SIGALRM, &old_alarm, nullptr);
        if (to_stdin >= 0)
            close(to_stdin);
        dup2(saved, 0);
        close(saved);
        kbd_reset();
    }
};

TEST_F(BlockingStdin, ALoneEscapeIsSettledWithoutWaiting)
{
    ASSERT_EQ(write(to_stdin, "\x1b", 1), 1);
    EXPECT_EQ(getkey(), KBD_MORE);
    EXPECT_EQ(getkey(), KBD_ESC);
    EXPECT_EQ(getkey(), KBD_NONE);
    EXPECT_EQ(woken, 0) << "a read waited for input";
}

TEST_F(BlockingStdin, TheEndOfInputIsStillSeen)
{
    ASSERT_EQ(write(to_stdin, "q", 1), 1);
    close(to_stdin);
    to_stdin = -1;
    EXPECT_EQ(getkey(), 'q');
    EXPECT_EQ(getkey(), KBD_EOF);
    EXPECT_EQ(woken, 0);
}

} // namespace
