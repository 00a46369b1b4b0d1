// Any bytes, any width, through the cleaner of other people's text. What
// comes out must be safe to hand to the terminal and exactly as wide as
// reported.
//
// Input layout: byte 0 is the width asked for (0-255), byte 1 the size of
// the output buffer (1-256); the rest is the text.
#include "core/text.h"

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

bool forbidden(char32_t cp)
{
    return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0) || cp == 0x061C || cp == 0x200E || cp == 0x200F ||
           (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

// Decodes the output with the C library, independently of the cleaner's
// own decoder, and counts its cells.
int cells_of_output(const char *s, std::size_t len)
{
    std::mbstate_t st{};
    int cells = 0;
    std::size_t at = 0;
    while (at < len) {
        wchar_t wc;
        std::size_t n = std::mbrtowc(&wc, s + at, len - at, &st);
        check(n != static_cast<std::size_t>(-1) && n != static_cast<std::size_t>(-2) && n != 0, "valid UTF-8");
        check(!forbidden(static_cast<char32_t>(wc)), "no control of any kind");
        int w = wcwidth(wc);
        check(w >= 0, "every character printable");
        cells += w;
        at += n;
    }
    return cells;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::setlocale(LC_CTYPE, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    int width = data[0];
    std::size_t bufsize = static_cast<std::size_t>(data[1]) + 1;
    std::string_view in(reinterpret_cast<const char *>(data + 2), size - 2);

    std::string buf(bufsize + 8, '\xAA');
    buf[0] = '\0';
    int cells = disp_append(buf.data(), bufsize, in, width);
    std::size_t len = std::strlen(buf.c_str());
    check(len < bufsize, "stays inside its buffer");
    check(buf[bufsize + 7] == '\xAA', "writes nothing past its buffer");
    check(cells >= 0 && cells <= width, "never wider than asked");
    check(cells_of_output(buf.data(), len) == cells, "exactly as wide as reported");
    check(disp_cells({buf.data(), len}) == cells, "counted the same way when drawn");

    std::string whole = disp_clean(in);
    cells_of_output(whole.data(), whole.size());
    return 0;
}
