#include "core/text.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

bool colour_byte(unsigned char c)
{
    return c >= 1 && c <= 16;
}

bool utf8_locale()
{
    return MB_CUR_MAX > 1;
}

bool cont(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
// The length of the character at the start of s, or 0 when those bytes are
// no character.
int utf8_decode(std::string_view s, char32_t &cp)
{
    auto b = [&](std::size_t i) {
        return static_cast<unsigned char>(s[i]);
    };
    unsigned char c = b(0);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    int n;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
        if (c == 0xE0)
            lo = 0xA0;
        if (c == 0xED)
            hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < static_cast<std::size_t>(n) || b(1) < lo || b(1) > hi)
        return 0;
    for (int i = 1; i < n; ++i) {
        if (!cont(b(static_cast<std::size_t>(i))))
            return 0;
        cp = (cp << 6) | (b(static_cast<std::size_t>(i)) & 0x3F);
    }
    return n;
}

// Marks that would reverse or reorder what follows them on the row.
bool bidi_control(char32_t cp)
{
    return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

// The cells a character of someone else's text may take: -1 when it must
// be a stand-in.
int shown_cells(char32_t cp)
{
    if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0) || bidi_control(cp))
        return -1;
    int w = wcwidth(static_cast<wchar_t>(cp));
    return w < 0 || w > 2 ? -1 : w;
}

// A cell holds its character and a few combining marks; curses keeps no
// more than that, so further marks are dropped rather than left to chance.
constexpr int max_marks = 4;

} // namespace

disp_char disp_next(std::string_view s)
{
    auto c = static_cast<unsigned char>(s[0]);
    if (colour_byte(c))
        return {1, 0};
    if (!utf8_locale())
        return {1, 1};
    char32_t cp;
    int n = utf8_decode(s, cp);
    if (n == 0)
        return {1, 1};
    int w = wcwidth(static_cast<wchar_t>(cp));
    return {n, w < 0 ? 1 : w};
}

int disp_cells(std::string_view text)
{
    int cells = 0;
    while (!text.empty()) {
        disp_char d = disp_next(text);
        cells += d.cells;
        text.remove_prefix(static_cast<std::size_t>(d.bytes));
    }
    return cells;
}

int disp_append(char *out, std::size_t out_size, std::string_view in, int max_cells)
{
    if (out_size == 0)
        return 0;
    std::size_t len = strnlen(out, out_size - 1);
    out[len] = '\0';
    bool utf8 = utf8_locale();
    int cells = 0;
    int marks = -1; // marks on the last character; -1: no character yet
    while (!in.empty()) {
        char32_t cp = 0;
        int n = 1;
        int w;
        if (!utf8) {
            auto c = static_cast<unsigned char>(in[0]);
            w = c < 0x20 || c >= 0x7F ? -1 : 1;
        } else {
            n = utf8_decode(in, cp);
            w = n == 0 ? -1 : shown_cells(cp);
            if (n == 0)
                n = 1;
        }
        // A mark at the very start would join the cell before the text.
        if (w == 0 && marks < 0)
            w = -1;
        const char *bytes = w < 0 ? &DISP_STAND_IN : in.data();
        std::size_t nbytes = w < 0 ? 1 : static_cast<std::size_t>(n);
        int cw = w < 0 ? 1 : w;
        if (cells + cw > max_cells || len + nbytes >= out_size)
            break;
        in.remove_prefix(static_cast<std::size_t>(n));
        if (cw == 0 && ++marks > max_marks)
            continue;
        if (cw > 0)
            marks = 0;
        std::memcpy(out + len, bytes, nbytes);
        len += nbytes;
        cells += cw;
    }
    out[len] = '\0';
    return cells;
}

std::string disp_clean(std::string_view in)
{
    // Every byte becomes at most itself or one stand-in.
    std::string out(in.size() + 1, '\0');
    out[0] = '\0';
    disp_append(out.data(), out.size(), in, static_cast<int>(in.size()) * 2 + 1);
    out.resize(std::strlen(out.c_str()));
    return out;
}

disp_line::disp_line(char *buf, std::size_t size, int width) : buf_(buf), size_(size), width_(width < 0 ? 0 : width)
{
    if (size_)
        buf_[0] = '\0';
}

disp_line &disp_line::own(std::string_view text)
{
    while (!text.empty()) {
        disp_char d = disp_next(text);
        auto n = static_cast<std::size_t>(d.bytes);
        if (cells_ + d.cells > width_ || len_ + n >= size_)
            break;
        std::memcpy(buf_ + len_, text.data(), n);
        len_ += n;
        cells_ += d.cells;
        text.remove_prefix(n);
    }
    if (size_)
        buf_[len_] = '\0';
    return *this;
}

disp_line &disp_line::text(std::string_view foreign)
{
    if (size_ == 0)
        return *this;
    cells_ += disp_append(buf_, size_, foreign, width_ - cells_);
    len_ = std::strlen(buf_);
    return *this;
}

disp_line &disp_line::column(std::string_view foreign, int min_cells, int max_cells)
{
    if (size_ == 0)
        return *this;
    int room = width_ - cells_;
    int c = disp_append(buf_, size_, foreign, max_cells < room ? max_cells : room);
    cells_ += c;
    len_ = std::strlen(buf_);
    pad(min_cells - c);
    return *this;
}

void disp_line::pad(int cells)
{
    for (; cells > 0 && cells_ < width_ && len_ + 1 < size_; --cells) {
        buf_[len_++] = ' ';
        ++cells_;
    }
    buf_[len_] = '\0';
}
