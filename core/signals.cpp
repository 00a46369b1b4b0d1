#include "core/signals.h"

#include <cerrno>
#include <initializer_list>
#include <sys/select.h>
#include <unistd.h>

#include "core/curses_init.h"
#include "platform/platform.h"

namespace {

volatile std::sig_atomic_t quit_signal = 0;
volatile std::sig_atomic_t resize_count = 0;
volatile std::sig_atomic_t stop_count = 0;
volatile std::sig_atomic_t cont_count = 0;
// Set while the loop waits for input or the tick.
volatile std::sig_atomic_t in_wait = 0;

// Blocked outside the loop's wait and its delivery points.
sigset_t loop_signals;
// The quit signals, blocked only on the way into the wait.
sigset_t quit_set;

// Raised by vigil's own faults, or by abort(): they cannot wait for the
// loop, and a blocked one would end vigil without its handler. The system
// may have more (plat_crash_signals).
const std::initializer_list<int> crash_signals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT};

// The other signals whose default action ends the process, besides the
// three that quit and the real-time ones; the system's own are added
// (plat_fatal_signals).
const std::initializer_list<int> fatal_signals = {SIGQUIT,   SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,
                                                  SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ};

constexpr std::initializer_list<int> quit_signals = {SIGINT, SIGTERM, SIGHUP};

// In the wait, the loop ends vigil in its own time. Anywhere else vigil
// may be stuck where no loop comes back soon (a read of a file that never
// answers): the terminal is given back here, as the loop would give it,
// with what is async-signal-safe, and vigil ends with the loop's status.
void quit_handler(int sig)
{
    if (in_wait) {
        quit_signal = sig;
        return;
    }
    terminal_restore_now();
    _exit(0);
}

void winch_handler(int)
{
    resize_count = resize_count + 1;
}

void tstp_handler(int)
{
    stop_count = stop_count + 1;
}

void cont_handler(int)
{
    cont_count = cont_count + 1;
}

// Only what is async-signal-safe: the terminal given back with write,
// tcsetattr and fcntl, then the signal again with its default action, so
// that vigil ends as the signal would have ended it.
void fatal_handler(int sig)
{
    terminal_restore_now();
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
    // A fault comes back when the handler returns, with the default action now.
}

bool ignored(int sig)
{
    struct sigaction old {};
    return sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
}

void catch_signal(int sig, void (*handler)(int), int flags)
{
    struct sigaction sa {};
    sa.sa_handler = handler;
    // A second signal during the handler waits until it is done.
    sa.sa_mask = loop_signals;
    sa.sa_flags = flags;
    sigaction(sig, &sa, nullptr);
}

template <typename F> void each_fatal(F f)
{
    for (int sig : fatal_signals)
        f(sig);
    for (int sig : plat_fatal_signals())
        f(sig);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig)
        f(sig);
}

bool take(volatile std::sig_atomic_t &count)
{
    if (!count)
        return false;
    count = 0;
    return true;
}

} // namespace

void signals_install(sigset_t &wait_mask)
{
    // A crash from running out of stack needs a stack of its own to give
    // the terminal back on.
    static char crash_stack[64 * 1024];
    stack_t ss{};
    ss.ss_sp = crash_stack;
    ss.ss_size = sizeof crash_stack;
    sigaltstack(&ss, nullptr);

    sigemptyset(&quit_set);
    for (int sig : quit_signals)
        sigaddset(&quit_set, sig);
    sigemptyset(&loop_signals);
    for (int sig : {SIGWINCH, SIGTSTP, SIGCONT})
        sigaddset(&loop_signals, sig);
    each_fatal([](int sig) { sigaddset(&loop_signals, sig); });
    sigprocmask(SIG_BLOCK, &loop_signals, &wait_mask);

    for (int sig : quit_signals) {
        catch_signal(sig, quit_handler, 0);
        // Nor does a second quit signal cut into the first one's handler.
        struct sigaction sa {};
        sigaction(sig, nullptr, &sa);
        for (int other : quit_signals)
            sigaddset(&sa.sa_mask, other);
        sigaction(sig, &sa, nullptr);
    }
    catch_signal(SIGWINCH, winch_handler, 0);
    catch_signal(SIGCONT, cont_handler, 0);
    // A signal ignored when vigil started stays ignored: a shell without
    // job control, say, could not bring a stopped vigil back.
    if (!ignored(SIGTSTP))
        catch_signal(SIGTSTP, tstp_handler, 0);
    each_fatal([](int sig) {
        if (!ignored(sig))
            catch_signal(sig, fatal_handler, 0);
    });
    auto on_crash = [](int sig) {
        if (!ignored(sig))
            catch_signal(sig, fatal_handler, SA_ONSTACK);
    };
    for (int sig : crash_signals)
        on_crash(sig);
    for (int sig : plat_crash_signals())
        on_crash(sig);
}

int signals_wait(fd_set &rd, const timespec &timeout, const sigset_t &wait_mask)
{
    // Blocked from here into the wait, which unblocks them again at once:
    // a quit signal that comes just before it is not lost while the loop
    // sleeps for the rest of the tick.
    sigprocmask(SIG_BLOCK, &quit_set, nullptr);
    in_wait = 1;
    int ready = pselect(1, &rd, nullptr, nullptr, &timeout, &wait_mask);
    int saved = errno;
    // One that came after the wait is taken here, still as the loop's.
    sigprocmask(SIG_UNBLOCK, &quit_set, nullptr);
    in_wait = 0;
    errno = saved;
    return ready;
}

void signals_deliver()
{
    sigprocmask(SIG_UNBLOCK, &loop_signals, nullptr);
    sigprocmask(SIG_BLOCK, &loop_signals, nullptr);
}

int signals_quit()
{
    return static_cast<int>(quit_signal);
}

bool signals_take_resize()
{
    return take(resize_count);
}

bool signals_take_stop()
{
    return take(stop_count);
}

bool signals_take_cont()
{
    return take(cont_count);
}

void stop_here()
{
    struct sigaction dfl {
    }, ours{};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(SIGTSTP, &dfl, &ours);
    sigset_t tstp;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    raise(SIGTSTP);
    // Unblocked, the pending signal stops the process right here.
    sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
    sigprocmask(SIG_BLOCK, &tstp, nullptr);
    sigaction(SIGTSTP, &ours, nullptr);
}
