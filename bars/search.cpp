#include "bars/search.h"

#include <cstring>
#include <cwctype>
#include <regex.h>

#include "bars/pattern_guard.h"

namespace {

// Holds a compiled pattern only while a search request is out.
regex_t input_re;

// Plain text, the search people type most, is looked for without the
// matcher in text that is all ASCII: a match there is the pattern's
// characters in a row, letters compared without their case. In a UTF-8
// locale the matcher widens and folds every character of every text it is
// given first, which was most of what a key cost on a tree of tens of
// thousands of lines. The two agree only where the locale folds ASCII
// letters as ASCII does: not where "i" is no lower-case "I", as in Turkish.
struct plain_pattern {
    bool usable = false;
    char folded[256]; // the pattern in lower case
    std::size_t len = 0;
};
plain_pattern plain;

char ascii_lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool folds_like_ascii()
{
    for (wint_t c = 0x20; c < 0x7f; ++c) {
        auto low = static_cast<wint_t>(ascii_lower(static_cast<char>(c)));
        wint_t up = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
        if (std::towlower(c) != low || std::towupper(c) != up)
            return false;
    }
    return true;
}

void plain_prepare(const char *text)
{
    // The characters the extended syntax gives a meaning to; the pattern is
    // typed, so it holds nothing but printable ASCII.
    plain.usable = !text[std::strcspn(text, ".[]\\()*+?{}|^$")] && folds_like_ascii();
    plain.len = 0;
    for (; plain.usable && text[plain.len]; ++plain.len) {
        if (static_cast<unsigned char>(text[plain.len]) >= 0x80)
            plain.usable = false;
        plain.folded[plain.len] = ascii_lower(text[plain.len]);
    }
}

// 1 or 0, or -1 when only the matcher can tell: the text is not ASCII (or
// longer than any list line).
int plain_match(const char *text)
{
    char folded[1024];
    std::size_t n = 0;
    for (; text[n]; ++n) {
        if (static_cast<unsigned char>(text[n]) >= 0x80 || n == sizeof folded)
            return -1;
        folded[n] = ascii_lower(text[n]);
    }
    return memmem(folded, n, plain.folded, plain.len) != nullptr;
}

} // namespace

// A pattern the guard refuses is one that does not compile: compiling it
// could take seconds and gigabytes, on every key.
compiled_pattern::compiled_pattern(const char *text)
    : ok(pattern_allowed(text) && regcomp(&input_re, text, REG_EXTENDED | REG_ICASE | REG_NOSUB) == 0)
{
    if (ok)
        plain_prepare(text);
}

compiled_pattern::~compiled_pattern()
{
    if (ok)
        regfree(&input_re);
}

int reg_match(const char *text)
{
    if (plain.usable)
        if (int found = plain_match(text); found >= 0)
            return found;
    return regexec(&input_re, text, 0, nullptr, REG_NOTEOL) == 0;
}
