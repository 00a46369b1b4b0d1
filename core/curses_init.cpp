#include "core/curses_init.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <err.h>
#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

#include <curses.h>
#include <term.h>

#include "core/text.h"

namespace {
// The terminal as vigil found it, given back at the end, for a stop, and
// by the handler of a signal that ends vigil.
termios found_tio;
int found_flags;
int old_curs_vis;
bool curses_up = false;
// Whether the terminal is in vigil's hands now; read by signal handlers.
volatile std::sig_atomic_t taken = 0;

// What leaves vigil's screen, written with one write(2) from a signal
// handler, where curses cannot be called: attributes off, the cursor
// shown, the alternate screen left. Looked up once, at start.
char leave_seq[256];
std::size_t leave_len = 0;

// Appends a capability without its delays ("$<5>"), which only tputs
// understands; a terminal that needs them gets them from curses_end.
void append_cap(const char *name)
{
    const char *cap = tigetstr(name);
    if (!cap || cap == reinterpret_cast<const char *>(-1))
        return;
    for (const char *c = cap; *c && leave_len < sizeof leave_seq; ++c) {
        if (c[0] == '$' && c[1] == '<') {
            while (*c && *c != '>')
                ++c;
            if (!*c)
                break;
            continue;
        }
        leave_seq[leave_len++] = *c;
    }
}

[[noreturn]] void cannot_position(const char *term)
{
    // The name comes from the environment, not from vigil.
    std::string name = disp_clean(term ? term : "");
    std::fprintf(stderr, "vigil: terminal '%s' cannot position the cursor\n", name.c_str());
    std::exit(1);
}

struct pair_colours {
    short fg, bg;
};
// Pair n is what colour byte n selects in a text line.
constexpr std::array<pair_colours, 9> pairs{{
    {COLOR_CYAN, COLOR_BLACK},
    {COLOR_GREEN, COLOR_BLACK},
    {COLOR_WHITE, COLOR_BLACK},
    {COLOR_MAGENTA, COLOR_BLACK},
    {COLOR_RED, COLOR_BLACK},
    {COLOR_YELLOW, COLOR_BLACK},
    {COLOR_RED, COLOR_CYAN},
    {COLOR_BLACK, COLOR_CYAN},
    {COLOR_BLACK, COLOR_WHITE},
}};
} // namespace

void init_colour_pairs()
{
    for (std::size_t i = 0; i < pairs.size(); ++i)
        init_pair(static_cast<short>(i + 1), pairs[i].fg, pairs[i].bg);
}

void terminal_check()
{
    if (!isatty(0)) {
        std::fputs("vigil: standard input is not a terminal\n", stderr);
        std::exit(1);
    }
    // setupterm only reads the description, and says so instead of ending
    // the program as initscr would for a terminal it does not know.
    const char *term = std::getenv("TERM");
    int err = 0;
    if (setupterm(nullptr, 1, &err) != OK)
        cannot_position(term);
    const char *cup = tigetstr("cup");
    bool addressable = cup && cup != reinterpret_cast<const char *>(-1);
    del_curterm(cur_term);
    if (!addressable)
        cannot_position(term);
}

void curses_init()
{
    tcgetattr(0, &found_tio);
    found_flags = fcntl(0, F_GETFL);
    SCREEN *scr = newterm(nullptr, stdout, stdin);
    if (!scr)
        cannot_position(std::getenv("TERM"));
    set_term(scr);
    append_cap("sgr0");
    append_cap("cnorm");
    append_cap("rmcup");

    old_curs_vis = curs_set(0);
    start_color();
    init_colour_pairs();
    cbreak();
    noecho();
    termios raw;
    tcgetattr(0, &raw);
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    tcsetattr(0, TCSANOW, &raw);
    // Curses puts this mode back itself when it takes the terminal again.
    def_prog_mode();
    // Belt and braces: the key reader only reads what poll found, but the
    // loop's select is the only wait there should be.
    fcntl(0, F_SETFL, found_flags | O_NONBLOCK);
    curses_up = true;
    taken = 1;
}

void curses_end()
{
    if (!curses_up)
        return;
    curses_up = false;
    taken = 0;
    endwin();
    curs_set(old_curs_vis);
    tcsetattr(0, TCSANOW, &found_tio);
    fcntl(0, F_SETFL, found_flags);
}

void curses_suspend()
{
    if (!curses_up || !taken)
        return;
    taken = 0;
    endwin();
    tcsetattr(0, TCSANOW, &found_tio);
    fcntl(0, F_SETFL, found_flags);
}

void curses_resume(bool after_own_stop)
{
    if (!curses_up)
        return;
    if (after_own_stop) {
        tcgetattr(0, &found_tio);
        found_flags = fcntl(0, F_GETFL);
        def_shell_mode();
    } else if (taken) {
        // Whatever ran while vigil was stopped may have changed the
        // terminal: curses sets it all up again on the next update.
        endwin();
    }
    reset_prog_mode();
    fcntl(0, F_SETFL, found_flags | O_NONBLOCK);
    taken = 1;
}

void terminal_restore_now()
{
    if (!taken)
        return;
    taken = 0;
    (void)!write(1, leave_seq, leave_len);
    tcsetattr(0, TCSANOW, &found_tio);
    fcntl(0, F_SETFL, found_flags);
}

void fatal_exit(const char *msg)
{
    curses_end();
    errx(1, "%s", msg);
}

void allocate_error()
{
    curses_end();
    std::fputs("Cannot allocate memory.\n", stderr);
    std::exit(1);
}
