// Terminal set-up and every way out of the program.
#pragma once

// Curses, the colour pairs, and standard input raw and non-blocking.
void curses_init();
// Puts the terminal back as curses_init found it; does nothing when curses
// is not set up (or already ended), so every exit path may call it.
void curses_end();
// The nine colour pairs that inline colour bytes select.
void init_colour_pairs();

// Ends the program with status 1 and "vigil: <msg>" on standard error, the
// terminal restored first.
[[noreturn]] void fatal_exit(const char *msg);
// Ends the program with status 1 and "Cannot allocate memory.", the terminal
// restored first.
[[noreturn]] void allocate_error();
