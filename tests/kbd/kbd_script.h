// A scripted stand-in for standard input: each step is one read result, and
// sequences are written the way the key tables are, "ESC [ 3 ; 5 ~".
#pragma once

#include "kbd/kbd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kbd_script {

struct step {
    std::string bytes; // empty: the read fails or ends
    ssize_t ret = -1;
    int err = EAGAIN;
    bool sticky = false; // end of input, or a dead terminal, stays so
};

inline std::deque<step> steps;
inline std::vector<std::size_t> asked; // the length of every read

inline ssize_t scripted_read(void *buf, std::size_t len)
{
    asked.push_back(len);
    if (steps.empty()) {
        errno = EAGAIN;
        return -1;
    }
    step &s = steps.front();
    if (s.bytes.empty()) {
        step now = s;
        if (!s.sticky)
            steps.pop_front();
        errno = now.err;
        return now.ret;
    }
    std::size_t n = std::min(len, s.bytes.size());
    std::memcpy(buf, s.bytes.data(), n);
    s.bytes.erase(0, n); // the rest stays with the system for a later read
    if (s.bytes.empty())
        steps.pop_front();
    return static_cast<ssize_t>(n);
}

inline step bytes(std::string b)
{
    return {std::move(b)};
}
inline step nothing(int err = EAGAIN)
{
    return {{}, -1, err};
}
inline step end_of_input()
{
    return {{}, 0, 0, true};
}
inline step dead(int err)
{
    return {{}, -1, err, true};
}

inline void start()
{
    steps.clear();
    asked.clear();
    kbd_reset();
    kbd_set_reader(scripted_read);
}

struct fixture : testing::Test {
    void SetUp() override { start(); }
    void TearDown() override
    {
        kbd_set_reader(nullptr);
        kbd_reset();
    }
};

// "ESC [ 2 4 ; 8 0 R": names of control bytes (ESC CSI SS3 CR LF TAB BS DEL
// SP), ^X for control characters, 0xNN for any byte, else one character.
inline std::string bytes_of(const std::string &notation)
{
    static const std::pair<const char *, int> names[] = {
        {"ESC", 0x1B}, {"CSI", 0x9B}, {"SS3", 0x8F}, {"CR", 0x0D}, {"LF", 0x0A},
        {"TAB", 0x09}, {"BS", 0x08},  {"DEL", 0x7F}, {"SP", 0x20},
    };
    std::string out;
    std::istringstream in(notation);
    std::string tok;
    while (in >> tok) {
        int b = -1;
        for (auto &[name, byte] : names)
            if (tok == name)
                b = byte;
        if (b >= 0)
            out += static_cast<char>(b);
        else if (tok.size() == 2 && tok[0] == '^')
            out += static_cast<char>(tok[1] - 0x40);
        else if (tok.size() == 4 && tok.starts_with("0x"))
            out += static_cast<char>(std::stoi(tok.substr(2), nullptr, 16));
        else if (tok.size() == 1)
            out += tok[0];
        else
            ADD_FAILURE() << "bad token " << tok;
    }
    return out;
}

inline std::string hex(const std::vector<int> &keys)
{
    std::string s = "{";
    char b[16];
    for (int k : keys) {
        std::snprintf(b, sizeof b, " %#x", static_cast<unsigned>(k));
        s += b;
    }
    return s + " }";
}

// Calls getkey until the script is used up and the decoder has nothing more
// to say; the keys it gave, KBD_EOF included.
inline std::vector<int> drain()
{
    std::vector<int> keys;
    for (int i = 0; i < 500; ++i) {
        int k = getkey();
        if (k == KBD_EOF) {
            keys.push_back(k);
            return keys;
        }
        if (k == KBD_NONE && steps.empty())
            return keys;
        if (k != KBD_NONE && k != KBD_MORE)
            keys.push_back(k);
    }
    ADD_FAILURE() << "getkey never settled";
    return keys;
}

// Every way to cut n bytes into reads for short sequences; for long ones
// each single and double cut, and byte by byte.
inline std::vector<std::vector<std::size_t>> splits(std::size_t n)
{
    std::vector<std::vector<std::size_t>> out;
    if (n <= 12) {
        for (unsigned m = 0; m < 1u << (n - 1); ++m) {
            std::vector<std::size_t> cuts;
            for (std::size_t i = 1; i < n; ++i)
                if (m & 1u << (i - 1))
                    cuts.push_back(i);
            out.push_back(cuts);
        }
        return out;
    }
    out.push_back({});
    std::vector<std::size_t> all;
    for (std::size_t i = 1; i < n; ++i) {
        all.push_back(i);
        out.push_back({i});
        for (std::size_t j = i + 1; j < n; ++j)
            out.push_back({i, j});
    }
    out.push_back(all);
    return out;
}

// The input, however it is cut into reads and followed by a read that finds
// nothing (or by end of input), gives exactly these keys.
inline void expect_keys(const std::string &input, const std::vector<int> &want, bool then_eof = false)
{
    for (const auto &cuts : splits(input.size())) {
        start();
        std::size_t from = 0;
        for (std::size_t cut : cuts) {
            steps.push_back(bytes(input.substr(from, cut - from)));
            from = cut;
        }
        steps.push_back(bytes(input.substr(from)));
        if (then_eof)
            steps.push_back(end_of_input());
        std::vector<int> got = drain();
        if (got != want) {
            std::string at;
            for (std::size_t cut : cuts)
                at += " " + std::to_string(cut);
            ADD_FAILURE() << "reads cut at {" << at << " }: got " << hex(got) << ", want " << hex(want);
            return;
        }
    }
}

struct row {
    const char *input; // in the notation of bytes_of
    std::vector<int> keys;
};

inline void expect_rows(const std::vector<row> &rows)
{
    for (const row &r : rows) {
        SCOPED_TRACE(r.input);
        expect_keys(bytes_of(r.input), r.keys);
    }
}

} // namespace kbd_script
