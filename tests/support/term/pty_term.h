// A program run in a real pseudo-terminal whose output is read back by a
// terminal emulator (libvterm), so that a test sees the screen a person sees.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>
#include <sys/types.h>
#include <termios.h>
#include <vterm.h>

using namespace std::chrono_literals;

// Long enough for a sanitizer build on a busy two-core machine; a test that
// passes only waits as long as the program needs.
inline constexpr std::chrono::milliseconds term_timeout = 10s;

// TERM, a UTF-8 locale and the caller's PATH.
std::vector<std::string> term_env();

struct term_options {
    int rows = 24;
    int cols = 80;
    // The program and its arguments.
    std::vector<std::string> command = {VIGIL_BINARY};
    // Words put before `command`, looked up in PATH; e.g. login data of the
    // test's own in a private mount namespace: {"unshare", "-m", "sh", "-c",
    // "mount -t tmpfs tmpfs /run && cp F /run/utmp && exec \"$@\"", "sh"}.
    std::vector<std::string> prefix;
    // The whole environment of the program, "NAME=value" each.
    std::vector<std::string> env = term_env();
    // Off: the pseudo-terminal is not the program's controlling terminal, so
    // no ^C, ^Z or hang-up reaches it as a signal; closing the master side is
    // then only an end of input.
    bool controlling = true;
};

// One screen cell as shown: its character (a blank for an empty cell) and
// its look. Colours are palette indices, -1 the terminal's default colour.
struct term_cell {
    std::string text;
    bool bold = false;
    bool underline = false;
    bool reverse = false;
    int fg = -1;
    int bg = -1;
};

// What a program may change about the terminal it runs in and must give back.
struct term_modes {
    termios tio{};
    int status_flags = -1; // fcntl(F_GETFL) of the program's standard input
};
bool operator==(const term_modes &a, const term_modes &b);
std::ostream &operator<<(std::ostream &os, const term_modes &m);

struct term_pos {
    int row = 0;
    int col = 0;
};

class pty_term {
public:
    explicit pty_term(const term_options &opt = {});
    // Kills the program's process group if it still runs, and reaps it.
    ~pty_term();
    pty_term(const pty_term &) = delete;
    pty_term &operator=(const pty_term &) = delete;

    pid_t pid() const { return pid_; }
    int rows() const { return rows_; }
    int cols() const { return cols_; }

    // The screen as last fed: one row as UTF-8 text, every row, and the rows
    // numbered for failure messages.
    std::string row(int r, bool trim = true) const;
    std::vector<std::string> screen(bool trim = true) const;
    std::string dump() const;
    term_cell cell(int r, int c) const;
    term_pos cursor() const;
    bool cursor_visible() const { return cursor_visible_; }
    bool alt_screen() const { return alt_screen_; }

    // Bytes sent that the program has not read yet.
    int unread_input() const;

    // The terminal as it was before the program started, and as it is now.
    const term_modes &modes_before() const { return before_; }
    term_modes modes_now() const;

    // Writes bytes to the program's input, reading its output meanwhile so
    // that neither side blocks.
    void send(std::string_view bytes);
    // New size for the emulator and the terminal; the kernel then sends
    // SIGWINCH to the foreground process group.
    void resize(int rows, int cols);
    void signal(int sig);
    // Closes the master side: a hang-up of the terminal. The screen and the
    // terminal modes can no longer be read afterwards.
    void hang_up();

    // Feed output until `done` holds; on time-out the failure shows the screen.
    testing::AssertionResult wait_for(const std::function<bool(const pty_term &)> &done,
                                      std::chrono::milliseconds timeout = term_timeout);
    // Until `text` shows on row `row`, or anywhere when `row` is -1.
    testing::AssertionResult wait_for_text(std::string_view text, int row = -1,
                                           std::chrono::milliseconds timeout = term_timeout);
    // Feeds whatever output comes for this long.
    void run_for(std::chrono::milliseconds how_long);
    // Until no output arrived for `quiet`.
    testing::AssertionResult settle(std::chrono::milliseconds quiet = 150ms,
                                    std::chrono::milliseconds timeout = term_timeout);
    // The exit status (128 + n after signal n), all output fed. A program that
    // does not end in time fails the test, is killed, and gives -1.
    int wait_exit(std::chrono::milliseconds timeout = term_timeout);
    bool exited() const { return pid_ < 0; }
    // The signal that ended the program, or 0 when it exited or still runs.
    int killed_by() const;
    // Writes `bytes` again and again, as fast as the program's input takes
    // them, until the program ends or `how_long` is over; the end is no failure.
    void flood(std::string_view bytes, std::chrono::milliseconds how_long);

private:
    void release();
    bool pump(int timeout_ms);
    void feed(std::string_view bytes);
    void reap();
    void drain_after_exit();
    static int on_termprop(VTermProp prop, VTermValue *val, void *self);
    static void on_output(const char *bytes, size_t len, void *self);

    int rows_;
    int cols_;
    pid_t pid_ = -1;
    int status_ = -1;
    int master_ = -1;
    int slave_ = -1;
    int pidfd_ = -1;
    VTerm *vt_ = nullptr;
    VTermScreen *screen_ = nullptr;
    bool cursor_visible_ = true;
    bool alt_screen_ = false;
    std::string to_program_;
    term_modes before_;
};
