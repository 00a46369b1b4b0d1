// The states after ESC, CSI and SS3: Meta keys, cursor, editing, keypad and
// function keys with their modifiers, mouse reports and terminal reports.
#include "kbd/kbd_state.h"

namespace {

constexpr std::array<int, 58> ss3_keys = [] {
    std::array<int, 58> t{};
    auto at = [&t](int final) -> int & {
        return t[final - '@'];
    };
    at('A') = KBD_UP;
    at('B') = KBD_DOWN;
    at('C') = KBD_RIGHT;
    at('D') = KBD_LEFT;
    at('I') = KBD_TAB;
    at('M') = KBD_ENTER;
    for (int i = 0; i < 4; ++i)
        at('P' + i) = KBD_F(1 + i);
    at('X') = '=';
    at('a') = KBD_CTRL | KBD_UP;
    at('b') = KBD_CTRL | KBD_DOWN;
    at('c') = KBD_CTRL | KBD_RIGHT;
    at('d') = KBD_CTRL | KBD_LEFT;
    // the keypad in application mode: * + , - . / and the digits
    for (int k = 'j'; k <= 'y'; ++k)
        at(k) = '*' + (k - 'j');
    return t;
}();

constexpr std::array<int, 63> csi_keys = [] {
    std::array<int, 63> t{};
    auto at = [&t](int final) -> int & {
        return t[final - '@'];
    };
    at('@') = KBD_INS;
    at('A') = KBD_UP;
    at('B') = KBD_DOWN;
    at('C') = KBD_RIGHT;
    at('D') = KBD_LEFT;
    at('E') = KBD_CENTER;
    at('F') = KBD_END;
    at('G') = KBD_PGDN;
    at('H') = KBD_HOME;
    at('I') = KBD_PGUP;
    at('J') = KBD_CSI_J;
    at('K') = KBD_DEL;
    at('L') = KBD_INS;
    for (int i = 0; i < 12; ++i)
        at('M' + i) = KBD_F(1 + i);
    at('Y') = KBD_HOME;
    at('Z') = KBD_SHIFT | KBD_TAB;
    at('a') = KBD_SHIFT | KBD_UP;
    at('b') = KBD_SHIFT | KBD_DOWN;
    at('c') = KBD_SHIFT | KBD_RIGHT;
    at('d') = KBD_SHIFT | KBD_LEFT;
    at('}') = KBD_CSI_RBRACE;
    at('~') = KBD_CSI_TILDE;
    return t;
}();

constexpr std::array<int, 33> tilde_keys = {
    0,         KBD_HOME,  KBD_INS,   KBD_DEL,   KBD_END,   KBD_PGUP,  KBD_PGDN,  KBD_F(1),  KBD_F(2),
    KBD_F(3),  KBD_F(4),  KBD_F(1),  KBD_F(2),  KBD_F(3),  KBD_F(4),  KBD_F(5),  KBD_F(5),  KBD_F(6),
    KBD_F(7),  KBD_F(8),  KBD_F(9),  KBD_F(10), 0,         KBD_F(11), KBD_F(12), KBD_F(13), KBD_F(14),
    KBD_F(15), KBD_F(16), KBD_F(17), KBD_F(18), KBD_F(19), KBD_F(20),
};

// the z form of Sun terminals, numbered from 192
constexpr std::array<int, 58> sun_keys = [] {
    std::array<int, 58> t{};
    auto at = [&t](int n) -> int & {
        return t[n - 192];
    };
    at(192) = KBD_F(11);
    at(193) = KBD_F(12);
    at(214) = KBD_HOME;
    at(216) = KBD_PGUP;
    at(218) = KBD_CENTER;
    at(220) = KBD_END;
    at(222) = KBD_PGDN;
    for (int i = 0; i < 12; ++i)
        at(224 + i) = KBD_F(1 + i);
    at(247) = KBD_INS;
    at(249) = KBD_DEL;
    return t;
}();

template <std::size_t N> int lookup(const std::array<int, N> &table, int final)
{
    std::size_t i = static_cast<std::size_t>(final - '@');
    return final >= '@' && i < N ? table[i] : 0;
}

bool is_digit(int c)
{
    return c >= '0' && c <= '9';
}

// xterm's modifier parameter: one more than a bit set of Shift, Meta, Ctrl.
int modifiers(std::uint32_t p)
{
    return p == 0 ? 0 : static_cast<int>((p - 1) & 7) << 12;
}

int combine(int base, std::uint32_t p)
{
    return base | modifiers(p) | (seq.prefix == ESC ? KBD_META : 0);
}

int report(int code, std::uint32_t low, std::uint32_t high)
{
    return static_cast<int>(low << 16 | static_cast<std::uint32_t>(code) | high << 24);
}

int tilde_modifiers(int final)
{
    switch (final) {
    case '$':
        return KBD_SHIFT;
    case '^':
        return KBD_CTRL;
    case '@':
        return KBD_SHIFT | KBD_CTRL;
    default:
        return 0;
    }
}

} // namespace

int kbd_esc(int c)
{
    if (c < 0)
        return KBD_ABORT;
    if (c == ESC) {
        // ESC ESC is Meta for whatever follows; a third ESC is two keys
        if (seq.prefix)
            return KBD_ABORT;
        seq.prefix = ESC;
        return KBD_MORE;
    }
    if (c == '[' || c == 'O') {
        seq.intro = static_cast<char>(c);
        kbd_state = kbd_intro;
        return KBD_MORE;
    }
    if (c < 0x20)
        return kbd_meta_ctrl(c);
    if (c == 0x7F)
        return KBD_META | kbd_del_key();
    return kbd_is_c1(c) ? KBD_NONE : KBD_META | c;
}

int kbd_intro(int c)
{
    if (c < 0x20)
        return KBD_ABORT;
    if (seq.intro == '[' && (c == '?' || c == '[')) {
        if (seq.prefix)
            return KBD_ABORT;
        seq.prefix = static_cast<char>(c);
        return KBD_MORE;
    }
    if (is_digit(c) || c == ';') {
        seq.digits = true;
        kbd_state = kbd_num;
        return kbd_num(c);
    }
    if (seq.intro == '[' && c == 'M') {
        kbd_state = kbd_mouse;
        return KBD_MORE;
    }
    return kbd_final(c);
}

int kbd_num(int c)
{
    if (c < 0)
        return KBD_ABORT;
    if (is_digit(c)) {
        // wraps silently: nobody sends a parameter that large on purpose
        seq.par[seq.cur] = seq.par[seq.cur] * 10 + static_cast<std::uint32_t>(c - '0');
        return KBD_MORE;
    }
    if (c == ';') {
        if (++seq.cur == seq.par.size())
            return KBD_NONE;
        seq.par[seq.cur] = 0;
        return KBD_MORE;
    }
    return kbd_final(c);
}

int kbd_mouse(int c)
{
    if (c < 0)
        return KBD_ABORT;
    seq.par[seq.cur++] = static_cast<std::uint32_t>(c) - 32;
    if (seq.cur < 3)
        return KBD_MORE;
    // Only the modifier and motion bits of the button byte are kept; button
    // and position are no use to a keyboard-driven program.
    return KBD_MOUSE | static_cast<int>((seq.par[0] & 0x3C) << 10);
}

int kbd_final(int c)
{
    const std::uint32_t n = seq.par[0];
    if (seq.intro == 'O')
        return combine(lookup(ss3_keys, c), n);
    if (seq.prefix == '?')
        return c == 'c' ? report(KBD_DA, n, seq.par[1]) : KBD_NONE;
    // The Linux console's F1 to F12: ESC [ [ A ... ESC [ [ L. Nothing else
    // after the doubled bracket is a key: a stray byte must not turn into
    // Enter or a code no key has.
    if (seq.prefix == '[')
        return combine(c >= 'A' && c < 'M' ? c + 223 : 0, n);
    if (seq.digits && (c == '~' || c == '$' || c == '^' || c == '@')) {
        if (n == 0 || n == 22 || n > 32)
            return KBD_NONE;
        // A terminal that sends ESC [ 3 ~ for Delete sends 0x7F for Backspace,
        // whatever a ^H seen earlier suggested.
        seq.bs_seen = false;
        return combine(tilde_keys[n] | tilde_modifiers(c), seq.par[1]);
    }
    if (c == 'z') {
        if (n <= 32)
            return combine(tilde_keys[n], seq.par[1]);
        if (n >= 192 && n <= 249)
            return combine(sun_keys[n - 192], seq.par[1]);
        return KBD_NONE;
    }
    if (c == 'R' && seq.cur == 1) // cursor position: row ; column
        return report(KBD_CPR, n, seq.par[1]);
    if (c == 't') {
        std::uint32_t third = seq.cur >= 2 ? seq.par[2] : 0;
        return report(KBD_WINREP | static_cast<int>(n & 0xFF), seq.par[1], third);
    }
    return combine(lookup(csi_keys, c), n);
}
