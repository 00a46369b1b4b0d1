// What the search line lets the regular expression compiler see.
//
// glibc compiles a repetition by copying what it repeats, once per count:
// ((a{255}){255}){255} becomes 16 million nodes and gigabytes, compiled
// again on every key. And matching, in a UTF-8 locale without regard to
// case, takes time in proportion to the square of the line's length times
// the pattern positions that can be alive at once; a class of characters
// ('.', [a-z], \w) costs several times what a plain character does,
// against a line of multibyte characters most of all. So before a pattern
// reaches regcomp it is weighed as the compiler would expand it, and one
// that could cost too much is treated as a pattern that does not compile.
//
// The rule:
// - Every node of the expanded pattern weighs 1 (a character, an anchor, a
//   group, an alternative), except a class of characters ('.', a bracket
//   expression, \w \W \s \S), which weighs PATTERN_CLASS_WEIGHT.
// - A repetition counts what it repeats as often as glibc copies it: `+`
//   twice, {m} m times, {m,} m + 1 times, {m,n} and {,n} n times, `*` and
//   `?` once; repetitions of repetitions multiply.
// - The weight may be at most PATTERN_MAX_WEIGHT, the text at most
//   PATTERN_MAX_LEN bytes, and there is no back-reference (\1 to \9), whose
//   cost does not follow from the pattern's size at all.
// - Plain text (characters, escaped characters and anchors, nothing else)
//   is never too heavy: each try along the line ends after as many
//   characters as the text has.
// With this, compiling a pattern and matching it against one line of up to
// 512 bytes stays under 50 ms and 16 MiB; bench/pattern_bench.cpp holds the
// figures for the worst patterns the rule lets through.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr long PATTERN_CLASS_WEIGHT = 8;
inline constexpr long PATTERN_MAX_WEIGHT = 64;
inline constexpr std::size_t PATTERN_MAX_LEN = 255;

struct pattern_size {
    long weight = 0;
    bool plain = true; // nothing but characters and anchors
    bool backref = false;
};

// The pattern weighed as above. Weights saturate rather than overflow;
// text that regcomp would refuse anyway is weighed as if it were literal.
pattern_size pattern_measure(std::string_view pattern);

// Whether the pattern may be compiled for a search.
bool pattern_allowed(std::string_view pattern);
