#include <gtest/gtest.h>

#include <regex.h>
#include <string>
#include <vector>

#include "core/loop.h"
#include "kbd/kbd.h"
#include "tests/support/screen/views_fixture.h"

namespace {

std::string rtrim(std::string s)
{
    return s.erase(s.find_last_not_of(' ') + 1);
}

// Five sessions; "r" matches lines 0, 2 and 3, "ro" lines 0 and 3, no
// parent name, line or host gets in the way.
struct Search : ::testing::Test {
    bars_screen s{24, 80};

    void SetUp() override
    {
        bars_screen::login(0, "alice", "pts/0", "rome", "sshd");
        bars_screen::login(1, "bob", "pts/1", "x", "sshd");
        bars_screen::login(2, "carla", "pts/2", "", "sshd");
        bars_screen::login(3, "ron", "pts/3", "y", "sshd");
        bars_screen::login(4, "dave", "pts/4", "z", "sshd", "top");
        users_init();
        wmsg_send(s.ulist, cur_hlp, const_cast<char *>(ulist_help));
        s.tick();
    }

    int key(int k)
    {
        int r = input_keyh(s.input, k);
        if (r != 2)
            dispatch_key(k); // as the loop would go on offering it
        pass_redraw_dirty();
        pass_refresh();
        return r;
    }

    void type(const std::string &text)
    {
        for (char c : text)
            EXPECT_EQ(key(c), 2) << c;
    }

    std::string text() { return rtrim(pad_text(s.input->pad, 0)); }
};

TEST_F(Search, TypingFindsFromTheBarAndEnterGoesRoundFromTheTop)
{
    key(KBD_DOWN);
    ASSERT_EQ(s.ulist->crsr, 1);
    EXPECT_EQ(key('/'), 2);
    EXPECT_EQ(bars_screen::terminal_row(23).substr(0, 6), "Find: ");
    type("r");
    EXPECT_EQ(s.ulist->crsr, 2);
    type("o");
    EXPECT_EQ(s.ulist->crsr, 3);
    EXPECT_EQ(rtrim(bars_screen::terminal_row(23)), "Find: ro");
    EXPECT_EQ(key(KBD_ENTER), 2); // nothing below line 3: round to the top
    EXPECT_EQ(s.ulist->crsr, 0);
    key(KBD_ENTER);
    EXPECT_EQ(s.ulist->crsr, 3);

    // Case does not count, and the bar's own line is a match while typing.
    key(KBD_ESC);
    key('/');
    type("RO");
    EXPECT_EQ(s.ulist->crsr, 3);
    EXPECT_EQ(text(), "Find: RO");
}

TEST_F(Search, ReopeningKeepsTheOldTextUntilACharacterIsTyped)
{
    key('/');
    type("ro");
    key(KBD_ESC);
    EXPECT_EQ(s.input->refresh, nullptr);
    EXPECT_EQ(rtrim(bars_screen::terminal_row(23)), ulist_help); // the help line again

    key('/');
    EXPECT_EQ(text(), "Find: ro");
    key(KBD_ENTER); // the previous search, after the bar
    EXPECT_EQ(s.ulist->crsr, 3);
    key(KBD_BS);
    EXPECT_EQ(text(), "Find: r");
    key(KBD_ENTER); // "r" after line 3: round to line 0
    EXPECT_EQ(s.ulist->crsr, 0);
    key(KBD_ESC);

    key('/');
    type("v"); // replaces the whole previous text
    EXPECT_EQ(text(), "Find: v");
    EXPECT_EQ(s.ulist->crsr, 4);
}

TEST_F(Search, BadAndEmptyPatternsChangeNothing)
{
    key('/');
    EXPECT_EQ(key(KBD_ENTER), 2); // no text: nothing
    EXPECT_EQ(key(KBD_BS), 2);
    EXPECT_EQ(text(), "Find:");
    EXPECT_EQ(s.ulist->crsr, 0);

    key(KBD_DOWN);
    type("["); // does not compile: no search, the line stays open
    EXPECT_EQ(s.ulist->crsr, 1);
    EXPECT_EQ(text(), "Find: [");
    EXPECT_NE(s.input->refresh, nullptr);
    key(KBD_BS);

    type("b");
    EXPECT_EQ(s.ulist->crsr, 1);
    key(KBD_UP);
    type("$"); // "bob" does not match "b$": the end of a field is no line end
    EXPECT_EQ(s.ulist->crsr, 0);
    key(KBD_ENTER);
    EXPECT_EQ(s.ulist->crsr, 0);
}

TEST_F(Search, OpenLineTakesQuitAndCommandKeysButNotNavigation)
{
    key('/');
    EXPECT_EQ(key('q'), 2);
    EXPECT_EQ(key('t'), 2);
    EXPECT_EQ(text(), "Find: qt");
    EXPECT_NE(s.ulist->refresh, nullptr); // 't' did not reach the list
    EXPECT_EQ(key(KBD_DOWN), 0);
    EXPECT_EQ(s.ulist->crsr, 1);
    EXPECT_EQ(key(KBD_PGDN), 0);
    EXPECT_EQ(s.ulist->crsr, 4);
    EXPECT_EQ(key(KBD_F1), 0);
    EXPECT_EQ(key(0xE9), 0); // a byte above 127 is not typed
    EXPECT_EQ(key(KBD_META | 'x'), 0);
    EXPECT_EQ(text(), "Find: qt");
    EXPECT_EQ(key(KBD_ESC), 2);
    EXPECT_EQ(key('x'), 0); // closed: the line takes nothing but '/'
}

// Ctrl+K, Ctrl+T and Ctrl+U are edit-line keys too: typed into the open
// line they signal nothing, though the search has just put the bar on a
// process; Ctrl+U clears the line.
TEST_F(Search, SignalKeysTypedIntoTheLineSendNothing)
{
    key(KBD_ENTER); // alice's processes
    ASSERT_NE(s.ptree->refresh, nullptr);
    key('/');
    type("bash");
    ASSERT_EQ(*static_cast<int *>(wmsg_send(s.input, want_crsr_val, nullptr)), 700);
    EXPECT_EQ(key(KBD_CTRL | 'K'), 2);
    EXPECT_EQ(key(KBD_CTRL | 'T'), 2);
    EXPECT_EQ(text(), "Find: bash");
    EXPECT_EQ(key(KBD_CTRL | 'U'), 2);
    EXPECT_EQ(text(), "Find:");
    type("b");
    EXPECT_EQ(text(), "Find: b") << "typing goes on from the cleared line";
    EXPECT_TRUE(fake_signals().empty());
    EXPECT_EQ(rtrim(bars_screen::terminal_row(1)).find("signal"), std::string::npos);

    // Closed, the line leaves them to the tree.
    key(KBD_ESC);
    key(KBD_CTRL | 'T');
    ASSERT_EQ(fake_signals().size(), 1u);
    EXPECT_EQ(fake_signals()[0].pid, 700);
    key(KBD_ENTER);
}

// Plain text is looked for in ASCII lines without the matcher; whatever
// the path, the lines a search stops on are those the matcher itself finds,
// with the search line's flags, in the order of the tree.
TEST(SearchMatcher, PlainTextFindsWhatTheMatcherFinds)
{
    const std::vector<std::string> cmds = {
        "Rome -x",
        "ROMA nova",
        "xrOm\tab",
        "\xc3\xa9-rome", // one that is not ASCII
        "r.me a+b aab",
        "\xe2\x84\xaa"
        "elvin",
        "kelvin",
        "sOme rOmE",
    };
    bars_screen s(24, 80);
    fake_process({.pid = 1, .ppid = 0, .name = "init", .cmdline = fake_argv({"init"})});
    // Each process the first child of 1 as the tree is read: pids count
    // down so that the tree shows them in the order above.
    for (std::size_t i = 0; i < cmds.size(); ++i)
        fake_process({.pid = 900 - static_cast<int>(i), .ppid = 1, .name = "p", .cmdline = fake_argv({cmds[i]})});
    users_init();
    dispatch_key('t');
    auto barred = [&] {
        return *static_cast<int *>(wmsg_send(s.input, want_crsr_val, nullptr));
    };

    for (std::string pat : {"rom", "ROM", "e-r", "a+b", "r.m", "ome ", "ab", "K", "elvin", "zz", "-"}) {
        regex_t re;
        ASSERT_EQ(regcomp(&re, pat.c_str(), REG_EXTENDED | REG_ICASE | REG_NOSUB), 0) << pat;
        std::vector<int> want;
        for (std::size_t i = 0; i < cmds.size(); ++i)
            if (regexec(&re, cmds[i].c_str(), 0, nullptr, REG_NOTEOL) == 0)
                want.push_back(900 - static_cast<int>(i));
        regfree(&re);

        // From process 1, which matches none of them, each Enter stops on
        // the next match, and goes round to the first.
        dispatch_key('/');
        for (char c : pat)
            dispatch_key(c);
        dispatch_key(KBD_HOME);
        std::vector<int> got;
        for (;;) {
            dispatch_key(KBD_ENTER);
            int pid = barred();
            if (pid == 1 || (!got.empty() && pid == got[0]) || got.size() > cmds.size())
                break;
            got.push_back(pid);
        }
        dispatch_key(KBD_ESC);
        EXPECT_EQ(got, want) << "pattern \"" << pat << "\"";
    }
    dispatch_key(KBD_ENTER);
}

TEST(SearchLimits, TextStopsAtTheScreenRowAndAtThePatternBuffer)
{
    for (auto [cols, max_text] : {std::pair{20, 13}, {400, 255}, {7, 0}}) {
        bars_screen s(24, cols);
        EXPECT_EQ(input_keyh(s.input, '/'), 2);
        for (int i = 0; i < 300; ++i)
            EXPECT_EQ(input_keyh(s.input, 'a' + i % 26), 2);
        int x = getcurx(s.input->pad);
        EXPECT_EQ(x, 6 + max_text);
        EXPECT_LE(x, cols - 1); // the cursor stays on the row
        std::string t = pad_text(s.input->pad, 0, 6, std::min(cols, 300));
        EXPECT_EQ(t.find_first_not_of("abcdefghijklmnopqrstuvwxyz"), static_cast<std::size_t>(max_text))
            << cols << " columns";
        input_keyh(s.input, KBD_ESC);
    }
}

} // namespace
