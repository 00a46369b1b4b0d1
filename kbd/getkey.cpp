// The driver of the key decoder: the input buffer, the read, the replay of
// abandoned sequences and the first-byte state.
#include "kbd/kbd_state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <unistd.h>

kbd_seq seq{};
kbd_state_fn kbd_state = kbd_first;

namespace {

// A sequence never runs longer than this; a longer one is given up.
constexpr int kbd_size = 20;

// The loop also calls getkey when its wait found nothing, to settle a lone
// Escape; a read then must not wait, whatever the file status flags say (a
// shell that had the terminal while vigil was stopped may have cleared
// O_NONBLOCK). So the read is made only when poll finds something to read:
// bytes, or the hang-up or error that the read then reports.
ssize_t read_stdin(void *buf, std::size_t len)
{
    pollfd p{0, POLLIN, 0};
    int n = poll(&p, 1, 0);
    if (n < 0)
        return -1;
    if (n == 0) {
        errno = EAGAIN;
        return -1;
    }
    if (p.revents & POLLNVAL) {
        errno = EBADF;
        return -1;
    }
    return read(0, buf, len);
}

kbd_reader reader = read_stdin;
std::array<unsigned char, kbd_size> kbd_buf;
int kbd_rd;
int kbd_end;
bool kbd_pending;

void seq_start()
{
    seq.intro = 0;
    seq.prefix = 0;
    seq.digits = false;
    seq.cur = 0;
    seq.par[0] = 0;
    seq.par[1] = 0;
}

int single_byte_key(unsigned char b)
{
    if (b < 0x20) {
        if (b == 0x08)
            seq.bs_seen = true;
        return ctrl_keys[b];
    }
    if (b == 0x7F)
        return kbd_del_key();
    if (kbd_is_c1(b))
        return KBD_NONE;
    return b;
}

// Gives up the sequence at the front of the buffer: says what its first
// bytes mean on their own and consumes them, so that the bytes after them
// are decoded afresh.
int replay()
{
    if (kbd_end == 1) {
        kbd_rd = 1;
        return single_byte_key(kbd_buf[0]);
    }
    // Some terminals send a bare ESC [ M for F1, which is also where a mouse
    // report starts.
    if (kbd_end >= 3 && kbd_buf[0] == ESC && kbd_buf[1] == '[' && kbd_buf[2] == 'M') {
        kbd_rd = 3;
        return KBD_F1;
    }
    if (kbd_buf[0] == ESC) {
        kbd_rd = 2;
        return KBD_META | single_byte_key(kbd_buf[1]);
    }
    kbd_rd = 1;
    return KBD_NONE;
}

// Only a read that would block or was interrupted means "nothing yet". Any
// other failure (EIO from a hung-up terminal, EBADF) ends the input: the
// terminal stays readable for ever, and taking it as "nothing yet" would have
// the main loop spin at full speed on a dead line.
bool read_ended(ssize_t n)
{
    return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

[[noreturn]] void contract_broken()
{
    std::fputs("getkey: assertion \"c >= 0 || v >= 0\" failed\n", stderr);
    std::abort();
}

} // namespace

int kbd_first(int c)
{
    if (c < 0) // idle, so there is no sequence to give up
        return KBD_NONE;
    if (c == ESC || c == 0x9B || c == 0x8F) {
        seq_start();
        if (c == ESC) {
            kbd_state = kbd_esc;
        } else {
            seq.intro = static_cast<char>(c - 0x40);
            kbd_state = kbd_intro;
        }
        return KBD_MORE;
    }
    if (c == 0x08)
        seq.bs_seen = true;
    if (c < 0x20)
        return ctrl_keys[c] ? ctrl_keys[c] : KBD_CTRL | (c + 0x40);
    if (c == 0x7F)
        return kbd_del_key();
    if (kbd_is_c1(c))
        return kbd_meta_ctrl(c - 0x80);
    return c;
}

int getkey()
{
    for (;;) {
        int c;
        if (kbd_rd < kbd_end) {
            c = kbd_buf[kbd_rd++];
        } else if (kbd_end == kbd_size) {
            c = -1;
        } else {
            ssize_t n = reader(kbd_buf.data() + kbd_end, kbd_size - kbd_end);
            if (n > 0) {
                kbd_end += static_cast<int>(n);
                c = kbd_buf[kbd_rd++];
            } else if (kbd_pending) {
                c = -1;
            } else {
                return read_ended(n) ? KBD_EOF : KBD_NONE;
            }
        }

        int v = kbd_state(c);
        if (v == KBD_ABORT)
            v = replay();
        // Reports with a large parameter are negative, so a finished
        // sequence is anything but KBD_MORE.
        if (v == KBD_MORE) {
            if (c < 0)
                contract_broken();
            if (kbd_rd < kbd_end)
                continue;
            kbd_pending = true;
            return KBD_MORE;
        }

        kbd_pending = false;
        std::memmove(kbd_buf.data(), kbd_buf.data() + kbd_rd, kbd_end - kbd_rd);
        kbd_end -= kbd_rd;
        kbd_rd = 0;
        kbd_state = kbd_first;
        // A modifier on its own is no key.
        if (v & 0xFFF)
            return v;
    }
}

void kbd_set_reader(kbd_reader r)
{
    reader = r ? r : read_stdin;
}

void kbd_reset()
{
    kbd_rd = 0;
    kbd_end = 0;
    kbd_pending = false;
    kbd_state = kbd_first;
    seq = kbd_seq{};
}

bool kbd_buffered()
{
    return kbd_rd < kbd_end;
}
