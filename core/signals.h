// Signals: what each one does to vigil, and when.
//
// SIGINT, SIGTERM and SIGHUP end vigil with status 0: from the loop when it
// waits, from their handler (the terminal given back first) when vigil is
// anywhere else, so that a read that never returns cannot hold it; SIGWINCH
// asks for a resize; Ctrl+Z (SIGTSTP) stops it with the terminal given back
// and SIGCONT takes the terminal again. Every other signal whose default
// action ends the process gives the terminal back from its handler and then
// ends vigil the signal's own way, so the shell still says what happened.
//
// All but the crashes and the quit signals are blocked outside the loop's
// wait, so their handlers never run in the middle of a screen update.
#pragma once

#include <csignal>
#include <ctime>
#include <sys/select.h>

// Installs the handlers, blocks the signals the loop takes, and stores in
// `wait_mask` the mask to wait with (none of them blocked).
void signals_install(sigset_t &wait_mask);

// The loop's wait for input on standard input (rd) or the timeout, with
// wait_mask: pselect's result, and its errno.
int signals_wait(fd_set &rd, const timespec &timeout, const sigset_t &wait_mask);

// Runs the handlers of blocked signals that are pending. A wait that finds
// input ready at once returns without taking any signal, so a busy input
// would otherwise keep them waiting for ever.
void signals_deliver();

// The quit signal taken, or 0.
int signals_quit();
// Each true once for every batch of its signal since the last call.
bool signals_take_resize();
bool signals_take_stop();
bool signals_take_cont();

// Stops the process as Ctrl+Z would have, and returns once it continues.
void stop_here();
