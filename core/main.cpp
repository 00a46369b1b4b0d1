// Start-up, the main loop and every way out of it.
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

#include "core/curses_init.h"
#include "core/loop.h"
#include "core/signals.h"
#include "core/startup.h"
#include "core/widget.h"
#include "kbd/kbd.h"
#include "procs/procs.h"
#include "users/users.h"

namespace {

// A lone Escape press leaves the key reader waiting for the rest of a
// sequence. When nothing follows within this time it was a key of its own.
// Terminals send a whole sequence in one write, so its bytes arrive well
// within this, also over a network; and a person does not notice 50 ms
// between pressing Escape and seeing the search line close.
constexpr long ESC_WAIT_NS = 50'000'000;

void read_size(int &rows, int &cols)
{
    winsize ws{};
    if (ioctl(1, TIOCGWINSZ, &ws) == -1)
        fatal_exit("ioctl error: cannot read screen size");
    // Some pseudo-terminals report 0 x 0 until someone sets a size.
    rows = ws.ws_row ? ws.ws_row : 1;
    cols = ws.ws_col ? ws.ws_col : 1;
}

[[noreturn]] void quit()
{
    curses_end();
    std::exit(0);
}

void full_pass()
{
    pass_periodic();
    pass_redraw_all();
    pass_refresh();
    scr_doupdate();
}

// Seconds that only ever go forward: a wall clock stepped back an hour
// must not hold the next tick back an hour.
std::time_t monotonic_seconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec;
}

// Read again: the terminal may have changed size while vigil was stopped,
// and the resize repaints every cell.
void repaint_after_stop(int &rows, int &cols)
{
    read_size(rows, cols);
    resize_widgets(rows, cols);
}

} // namespace

int main()
{
    // The locale only says how characters are encoded and how wide they
    // are; numbers and dates keep their C form whatever the language.
    std::setlocale(LC_CTYPE, "");
    terminal_check();
    can_use_kvm = kvm_init();

    // Before curses, which would otherwise put in handlers of its own.
    sigset_t wait_mask;
    signals_install(wait_mask);

    int rows, cols;
    read_size(rows, cols);
    the_screen.last_row = rows - 1;
    the_screen.last_col = cols - 1;
    the_screen.line_size = sizeof the_screen.line_buf;

    curses_init();
    create_widgets(rows, cols);
    users_init();
    full_pass();

    int remaining = TICK_SECONDS;
    bool pending = false;
    for (;;) {
        fd_set rd;
        FD_ZERO(&rd);
        FD_SET(0, &rd);
        // Keys that came in one read are taken one after the other without
        // waiting for more input; a sequence cut short gets a short grace.
        bool buffered = kbd_buffered();
        timespec timeout{remaining > 0 ? remaining : 0, 0};
        if (buffered)
            timeout = {0, 0};
        else if (pending)
            timeout = {0, ESC_WAIT_NS};
        std::time_t before = monotonic_seconds();
        int ready = signals_wait(rd, timeout, wait_mask);
        // Anything but a signal means the terminal is gone (EBADF, say);
        // waiting on it again would only spin.
        bool lost = ready < 0 && errno != EINTR;
        signals_deliver();
        remaining = tick_countdown(remaining, before, monotonic_seconds());

        if (signals_quit() || lost)
            quit();
        if (signals_take_stop()) {
            curses_suspend();
            stop_here();
            signals_deliver();
            signals_take_cont(); // that was this stop's end
            curses_resume(true);
            repaint_after_stop(rows, cols);
        }
        if (signals_take_cont()) {
            curses_resume(false);
            repaint_after_stop(rows, cols);
        }
        if (ready > 0 || (ready == 0 && (pending || buffered))) {
            int key = getkey();
            pending = key == KBD_MORE;
            if (key == KBD_EOF || dispatch_key(key))
                quit();
            pass_redraw_dirty();
            pass_refresh();
            scr_doupdate();
        }
        if (remaining <= 0) {
            full_pass();
            remaining = TICK_SECONDS;
        }
        if (signals_take_resize()) {
            read_size(rows, cols);
            resize_widgets(rows, cols);
        }
    }
}
