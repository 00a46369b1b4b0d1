// Other people's text as the screen gets it: nothing in it may act on the
// terminal, and its width is counted in cells.
#include <clocale>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/text.h"

namespace {

// The locale the rest of the test binary runs in is put back afterwards.
class Text : public ::testing::Test {
protected:
    std::string saved = std::setlocale(LC_CTYPE, nullptr);
    void SetUp() override
    {
        if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
            GTEST_SKIP() << "no C.UTF-8 locale on this machine";
    }
    void TearDown() override { std::setlocale(LC_CTYPE, saved.c_str()); }

    // The text appended to an empty buffer, and the cells reported.
    static std::pair<std::string, int> fit(const std::string &in, int cells, std::size_t size = 256)
    {
        std::string buf(size, 'x');
        buf[0] = '\0';
        int n = disp_append(buf.data(), size, in, cells);
        return {buf.c_str(), n};
    }
};

TEST_F(Text, EveryControlBecomesOneVisibleCell)
{
    struct {
        const char *what;
        std::string in;
        std::string out;
    } const cases[] = {
        {"layout bytes", "a\rb\nc\bd\te", "a?b?c?d?e"},
        {"colour selectors and escapes", "\x01red\x10\x1b[31mX", "?red??[31mX"},
        {"delete", "a\x7f", "a?"},
        {"C1 controls, CSI among them",
         "a\xc2\x9b"
         "2Jb\xc2\x85",
         "a?2Jb?"},
        {"bidirectional controls",
         "abc\xe2\x80\xae"
         "def\xe2\x81\xa6"
         "g\xd8\x9c",
         "abc?def?g?"},
        {"invalid UTF-8: a stray continuation, an overlong slash, a surrogate, a cut sequence",
         "\x80/\xc0\xaf/\xed\xa0\x80/\xe4\xb8",
         "?/?"
         "?/?"
         "?"
         "?/?"
         "?"},
        {"past U+10FFFF", "\xf4\x90\x80\x80", "????"},
        {"a combining mark with no character before it",
         "\xcc\x81"
         "a\xcc\x81",
         "?a\xcc\x81"},
        {"ordinary text stays as it is", "jos\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87 -bash",
         "jos\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87 -bash"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(disp_clean(c.in), c.out) << c.what;
        EXPECT_EQ(disp_cells(disp_clean(c.in)), disp_cells(c.out)) << c.what;
    }
}

TEST_F(Text, WidthsAreCellsAndWideCharactersAreNeverHalved)
{
    const std::string cjk = "\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97"; // three characters, six cells
    EXPECT_EQ(disp_cells(cjk), 6);
    EXPECT_EQ(fit(cjk, 5), (std::pair<std::string, int>{"\xe4\xb8\xad\xe6\x96\x87", 4}));
    EXPECT_EQ(fit(cjk, 1), (std::pair<std::string, int>{"", 0}));
    EXPECT_EQ(fit("jos\xc3\xa9", 4), (std::pair<std::string, int>{"jos\xc3\xa9", 4}));
    // A buffer that runs out ends the text at a whole character too.
    EXPECT_EQ(fit(cjk, 20, 6), (std::pair<std::string, int>{"\xe4\xb8\xad", 2}));
    // Marks piled on one character beyond what a cell keeps are dropped.
    std::string acute = "\xcc\x81";
    EXPECT_EQ(disp_clean("a" + acute + acute + acute + acute + acute + acute), "a" + acute + acute + acute + acute);
}

TEST_F(Text, LinesKeepTheirColumns)
{
    char buf[256];
    const std::string users[] = {"alice", "jos\xc3\xa9", "\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97\xe4\xb8\xad\xe6\x96\x87",
                                 "a\rb"};
    for (const std::string &u : users) {
        disp_line l(buf, sizeof buf, 80);
        l.own("\x02").column(u, 9, 9).own("|").text("tail");
        // Nine cells of user, then the bar, whatever the user's bytes.
        std::string s = l.str();
        std::size_t bar = s.find('|');
        ASSERT_NE(bar, std::string::npos) << u;
        EXPECT_EQ(disp_cells(s.substr(0, bar)), 9) << u;
        EXPECT_EQ(l.cells(), disp_cells(s)) << u;
    }
    // A double-width name that cannot fill the column exactly is padded.
    disp_line l(buf, sizeof buf, 80);
    l.column("\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97\xe4\xb8\xad\xe6\x96\x87", 9, 9).own("|");
    EXPECT_EQ(std::string(l.str()), "\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97\xe4\xb8\xad |");

    // The line never grows past its width, however long its parts.
    disp_line narrow(buf, sizeof buf, 10);
    narrow
        .own("\x03"
             "12345 ")
        .text(std::string(130, 'x'))
        .own("more");
    EXPECT_EQ(narrow.cells(), 10);
    EXPECT_EQ(std::string(narrow.str()), "\x03"
                                         "12345 xxxx");
}

TEST_F(Text, OutsideUtf8EveryHighByteIsAStandIn)
{
    std::setlocale(LC_CTYPE, "C");
    EXPECT_EQ(disp_clean("jos\xc3\xa9\x01!"), "jos??"
                                              "?!");
    EXPECT_EQ(disp_cells("abc"), 3);
}

} // namespace
