// Terminal set-up and every way out of the program.
#pragma once

// Ends vigil with status 1 and one line on standard error, before anything
// touches the terminal, when standard input is not a terminal or when the
// terminal cannot position the cursor (curses does not know it, or its
// description has no cursor addressing).
void terminal_check();

// Curses, the colour pairs, and standard input raw and non-blocking; the
// terminal's modes and standard input's file status flags as found are
// kept to be given back.
void curses_init();
// Puts the terminal back as curses_init found it; does nothing when curses
// is not set up (or already ended), so every exit path may call it.
void curses_end();
// Gives the terminal back for a stop (main screen, cursor shown, modes and
// file status flags as found), curses still set up.
void curses_suspend();
// Takes the terminal again: raw, non-blocking, and curses sets the screen
// up again on its next update, which must then repaint every cell. After
// vigil's own stop, what the shell left is what vigil gives back later;
// after a stop vigil did not see coming, the screen is set up afresh.
void curses_resume(bool after_own_stop);
// Gives the terminal back with async-signal-safe calls only, for a handler
// about to end the process; the curses state is left as it is.
void terminal_restore_now();
// The nine colour pairs that inline colour bytes select.
void init_colour_pairs();

// Ends the program with status 1 and "vigil: <msg>" on standard error, the
// terminal restored first.
[[noreturn]] void fatal_exit(const char *msg);
// Ends the program with status 1 and "Cannot allocate memory.", the terminal
// restored first.
[[noreturn]] void allocate_error();
