// Another program holding the write lock on the login accounting file (a
// login program writing its record, stuck) holds up neither the ticks nor
// the keys: vigil reads the file without waiting for the lock. Nor does a
// named pipe put in the file's place, which no writer ever opens.
#include <csignal>
#include <unistd.h>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

TEST(LoginLock, KeysAreAnsweredWithinASecondWhileTheFileIsLocked)
{
    if (std::string why = login_sandbox::unavailable(); !why.empty())
        GTEST_SKIP() << why;
    login_sandbox box({console_login()});
    pty_term t(box.options());
    ASSERT_TRUE(box.started(t));
    box.write({{0, "alice", "pts/1", "", false}, {0, "bob", "pts/2", "", false}});
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return s.row(4).find("bob") != std::string::npos; }));
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return bar_row(s) == 3; }));

    int lock = box.lock();
    ASSERT_GE(lock, 0) << "could not lock the accounting file";
    // Down and Up in turn, a little over a second apart, for longer than a
    // tick: some key lands while a tick reads the locked file.
    for (int i = 0; i < 5; ++i) {
        bool down = i % 2 == 0;
        t.send(down ? "\x1b[B" : "\x1b[A");
        int row = down ? 4 : 3;
        EXPECT_TRUE(t.wait_for([row](const pty_term &s) { return bar_row(s) == row; }, 1s)) << "key " << i;
        t.run_for(1200ms);
    }
    close(lock);
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(LoginLock, ANamedPipeForTheFileHoldsNothingUp)
{
    if (std::string why = login_sandbox::unavailable(); !why.empty())
        GTEST_SKIP() << why;
    term_options opt;
    opt.prefix = {"unshare",
                  "-m",
                  "--propagation",
                  "private",
                  "sh",
                  "-c",
                  "mount -t tmpfs tmpfs /run && mkfifo /run/utmp && exec \"$@\"",
                  "sh"};
    pty_term t(opt);
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return vigil_drawn(s) && s.row(0).starts_with("0 users: "); }))
        << t.dump();
    t.send("t");
    EXPECT_TRUE(t.wait_for_text(" tasks: ", 1)) << t.dump();
    // A tick later it still answers, and a quit signal still ends it.
    t.run_for(3500ms);
    t.signal(SIGTERM);
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_EQ(t.modes_now(), t.modes_before());
    EXPECT_FALSE(t.alt_screen());
}

} // namespace
