#include "core/curses_init.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <err.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <curses.h>

namespace {
termios tio;
int t_flags;
int old_curs_vis;
bool curses_up = false;

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
}  // namespace

void init_colour_pairs()
{
    for (std::size_t i = 0; i < pairs.size(); ++i)
        init_pair(static_cast<short>(i + 1), pairs[i].fg, pairs[i].bg);
}

void curses_init()
{
    initscr();
    old_curs_vis = curs_set(0);
    start_color();
    init_colour_pairs();
    cbreak();
    noecho();
    tcgetattr(0, &tio);
    termios raw = tio;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    tcsetattr(0, TCSANOW, &raw);
    t_flags = fcntl(0, F_GETFL);
    // The key reader must never block: the loop's select is the only wait.
    fcntl(0, F_SETFL, O_NONBLOCK);
    curses_up = true;
}

void curses_end()
{
    if (!curses_up)
        return;
    curses_up = false;
    fcntl(0, F_SETFL, t_flags);
    tcsetattr(0, TCSANOW, &tio);
    endwin();
    curs_set(old_curs_vis);
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
