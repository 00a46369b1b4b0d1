// Key codes and the key decoder.
//
// A key code is a signed 32-bit value: bits 0-11 the base key (characters are
// their own codes, named keys from 256), bits 12-14 the modifiers, bit 15 the
// motion bit of mouse reports, bits 16-31 the parameters of terminal reports.
#pragma once

#include <cstddef>
#include <sys/types.h>

enum : int {
    KBD_NONE = 0,
    KBD_MORE = -1,  // an unfinished sequence waits for its next byte
    KBD_EOF = -2,   // end of input
    KBD_ABORT = -3, // state answer only: these bytes are no sequence

    KBD_ENTER = 256,
    KBD_BS = 257,
    KBD_TAB = 258,
    KBD_ESC = 259,
    KBD_LEFT = 260,
    KBD_RIGHT = 261,
    KBD_UP = 262,
    KBD_DOWN = 263,
    KBD_INS = 264,
    KBD_DEL = 265,
    KBD_HOME = 266,
    KBD_END = 267,
    KBD_PGUP = 268,
    KBD_PGDN = 269,
    KBD_CENTER = 272,
    KBD_CSI_J = 273,
    KBD_CSI_TILDE = 274,
    KBD_CSI_RBRACE = 275,
    KBD_F1 = 288, // KBD_F1 + n - 1 is F(n), up to F20 = 307
    KBD_F20 = 307,

    KBD_MOUSE = 0x800,
    KBD_CPR = 0x900,
    KBD_DA = 0x901,
    KBD_WINREP = 0xA00,

    KBD_SHIFT = 0x1000,
    KBD_META = 0x2000,
    KBD_CTRL = 0x4000,
    KBD_MOTION = 0x8000,
};

constexpr int KBD_F(int n)
{
    return KBD_F1 + n - 1;
}

// One key code, or KBD_NONE, KBD_MORE or KBD_EOF. Reads standard input,
// which must be non-blocking.
int getkey();

// Where getkey's bytes come from: read(2)'s contract (bytes, 0 at end of
// input, -1 with errno on failure). Standard input unless a test sets
// another; a null reader means standard input again.
using kbd_reader = ssize_t (*)(void *buf, std::size_t len);
void kbd_set_reader(kbd_reader r);
// Whether bytes that came with the last key are still waiting to be decoded.
bool kbd_buffered();
// Back to the state at start: empty buffer, no sequence, no ^H seen.
void kbd_reset();
