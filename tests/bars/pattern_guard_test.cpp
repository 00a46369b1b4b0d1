#include <gtest/gtest.h>

#include <string>

#include "bars/pattern_guard.h"

namespace {

TEST(PatternGuard, WeighsWhatTheCompilerMakes)
{
    struct {
        const char *pattern;
        long weight;
        bool plain;
    } cases[] = {
        {"ssh", 3, true},
        {"^root$", 6, true},
        {"a\\.b\\{2}", 6, true}, // escaped, '.' and '{' are characters
        {"a.c", 10, false},      // a class of characters weighs 8
        {"\\w\\s\\W\\S", 32, false},
        {"pts/[0-9]+", 20, false}, // '+' copies the class once more
        {"a{8}", 8, false},
        {"a{3,}", 4, false}, // three copies and a starred one
        {"a{,7}", 7, false},
        {"a{2,5}", 5, false},
        {"a{2}{3}", 6, false}, // a repetition of a repetition
        {"(ab)*", 3, false},   // the group is a node too
        {"(a{4}){4}", 20, false},
        {"((a+)+)+", 14, false},
        {"(){9}", 9, false},    // empty, yet copied nine times
        {"(a|b)?", 4, false},   // and so is the alternative
        {"[]a]{5}", 40, false}, // ']' first is a member, not the end
        {"[^]{]x", 9, false},
        {"[[:alpha:]]x", 9, false}, // the class's ']' does not end the bracket
        {"[[.].]]x", 9, false},
        {"a{x}", 4, true},      // no interval: text, or refused by regcomp
        {"{5}", 0, false},      // nothing to repeat
        {"(a{99}", 100, false}, // an unclosed group weighs as closed
        {"a)", 2, false},
        {"a\\", 2, true}, // a backslash at the end: regcomp refuses it
    };
    for (const auto &c : cases) {
        pattern_size size = pattern_measure(c.pattern);
        EXPECT_EQ(size.weight, c.weight) << c.pattern;
        EXPECT_EQ(size.plain, c.plain) << c.pattern;
    }
}

TEST(PatternGuard, RefusesWhatCouldBlowUpAndKeepsEverydaySearches)
{
    for (const char *p : {"ssh", "^root$", "alice|bob", "pts/[0-9]+", "sshd.*workstation.example.org", "a{64}",
                          "(ab){21}", "[[:digit:]]{8}", "((((a+)+)+)+)+", "\\\\1"})
        EXPECT_TRUE(pattern_allowed(p)) << p;
    // However long, plain text is cheap to find.
    std::string text(PATTERN_MAX_LEN, 'x');
    EXPECT_TRUE(pattern_allowed(text));
    EXPECT_FALSE(pattern_allowed(text + "x"));
    EXPECT_FALSE(pattern_allowed(text.substr(0, 60) + "."));

    for (const char *p : {"((a{255}){255}){255}", "(((a{99}){99}){99}){99}", "a{65}", ".{9}", "(a{4}){13}", "(){65}",
                          "(((((a+)+)+)+)+)+", "(.|..){40}", "a{99999999999999999999}", "(((a{9}){9}", "(a)\\1"})
        EXPECT_FALSE(pattern_allowed(p)) << p;
}

} // namespace
