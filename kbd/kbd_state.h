// The decoder's state, shared by the driver (getkey.cpp) and the escape
// states (escape.cpp). Nothing outside kbd/ includes this.
#pragma once

#include "kbd/kbd.h"

#include <array>
#include <cstdint>

// The sequence being decoded.
struct kbd_seq {
    char intro;   // '[' for CSI, 'O' for SS3, 0 after a plain ESC
    char prefix;  // 0, ESC for a doubled ESC, '?' or '[' after CSI
    bool digits;  // a digit or ';' followed the introducer
    bool bs_seen; // a ^H came in: from then on 0x7F is Delete
    std::array<std::uint32_t, 16> par;
    std::size_t cur; // index into par that digits go to
};

// A state takes a byte 0-255, or -1 when no more input is coming, and
// answers a finished result (a key code or KBD_NONE), KBD_MORE or
// KBD_ABORT.
using kbd_state_fn = int (*)(int c);

extern kbd_seq seq;
extern kbd_state_fn kbd_state;

int kbd_first(int c);
int kbd_esc(int c);
int kbd_intro(int c);
int kbd_num(int c);
int kbd_mouse(int c);
int kbd_final(int c);

constexpr int ESC = 0x1B;

constexpr std::array<int, 32> ctrl_keys = [] {
    std::array<int, 32> t{};
    t[0x08] = KBD_BS;
    t[0x09] = KBD_TAB;
    t[0x0A] = KBD_SHIFT | KBD_ENTER;
    t[0x0D] = KBD_ENTER;
    t[ESC] = KBD_ESC;
    return t;
}();

inline bool kbd_is_c1(int c)
{
    return c >= 0x80 && c < 0xA0;
}

// A control byte after ESC, or as a C1 byte: only the four with a key of
// their own carry Meta, the rest mean nothing.
inline int kbd_meta_ctrl(int d)
{
    if (d == 0x08)
        seq.bs_seen = true;
    bool named = d == 0x08 || d == 0x09 || d == 0x0A || d == 0x0D;
    return named ? KBD_META | ctrl_keys[d] : KBD_NONE;
}

// What 0x7F means: Backspace until a ^H shows that the terminal sends ^H for
// it, Delete after.
inline int kbd_del_key()
{
    return seq.bs_seen ? KBD_DEL : KBD_BS;
}
