// What a person sees of the logins on a machine: the counts on the top row,
// one line per login with its columns cut to width, the bar moved by the
// keys, logins that come and go between ticks, the search line, and the
// list handing its place over on Enter.
#include <memory>
#include <string>
#include <vector>

#include <regex.h>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

constexpr int term_white = 7;
const std::string help_text = "[ENT]proc all[t]ree [d]etails [s]ysinfo";

// A console login (its program column names process 1, here the
// sandbox's shell); an ssh login; a terminal emulator's pane, started by a
// program whose name the kernel keeps only 15 characters of; a terminal
// multiplexer's pane, for a login that comes later.
const std::vector<standin_login> logins = {console_login(), ssh_login(), pane_login("gnome-terminal-server"),
                                           pane_login()};

const test_login alice{0, "alice", "pts/1", "", false};
const test_login longname{1, "averylongusername", "pts/12345", "workstation.example.org", false};
const test_login bob{2, "bob", "pts/3", ":0", false};
const test_login carol{3, "carol", "pts/4", "tmux(4321).%0", false};

// Login program, user, line, host, each cut and padded, then what runs in
// the foreground of the login's terminal: the stand-ins have no terminal.
const std::string alice_row = "sh             alice     pts/1                      -";
const std::string longname_row = "sshd           averylong pts/12 workstation.example -";
const std::string bob_row = "gnome-terminal bob       pts/3  :0                  -";
const std::string carol_row = "sh             carol     pts/4  tmux(4321).%0       -";

// A POSIX extended regular expression matching all of `text`.
bool matches(const std::string &text, const std::string &pattern)
{
    regex_t re;
    if (regcomp(&re, ("^" + pattern + "$").c_str(), REG_EXTENDED | REG_NOSUB) != 0)
        return false;
    bool found = regexec(&re, text.c_str(), 0, nullptr, 0) == 0;
    regfree(&re);
    return found;
}

auto bar_on(int row)
{
    return [row](const pty_term &t) {
        return bar_row(t) == row;
    };
}

auto rows_are(std::vector<std::string> rows)
{
    return [rows](const pty_term &t) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (t.row(3 + static_cast<int>(i)) != rows[i])
                return false;
        return t.row(3 + static_cast<int>(rows.size())).empty();
    };
}

// Three logins in accounting-file order: local, ssh, other.
class UserList : public testing::Test {
protected:
    void SetUp() override
    {
        if (std::string why = login_sandbox::unavailable(); !why.empty())
            GTEST_SKIP() << why;
        t = std::make_unique<pty_term>(box.options());
        ASSERT_TRUE(box.started(*t));
        box.write({alice, longname, bob});
        ASSERT_TRUE(t->wait_for([](const pty_term &s) { return vigil_drawn(s) && !s.row(5).empty(); }));
    }

    login_sandbox box{logins};
    std::unique_ptr<pty_term> t;
};

TEST_F(UserList, FirstScreenShowsCountsLoadLoginsAndHelp)
{
    const pty_term &s = *t;
    const std::string counts = "3 users: 1 local, 0 telnet, 1 ssh, 1 other";
    const std::string top = s.row(0, false);
    // Untrimmed, so the load text must end in the last column.
    const std::string average = "[0-9]+\\.[0-9]{2}";
    ASSERT_TRUE(matches(top, counts + " +load: " + average + ", " + average + ", " + average)) << s.dump();
    for (int c = 0; c < static_cast<int>(counts.size()); ++c) {
        EXPECT_EQ(s.cell(0, c).fg, term_cyan) << "column " << c;
        EXPECT_EQ(s.cell(0, c).bg, term_black) << "column " << c;
    }
    for (auto c = static_cast<int>(top.rfind("load: ")); c < s.cols(); ++c) {
        EXPECT_EQ(s.cell(0, c).fg, term_white) << "column " << c;
        EXPECT_EQ(s.cell(0, c).bg, term_black) << "column " << c;
    }

    EXPECT_EQ(s.row(1), "") << "no status while the list is shown";
    EXPECT_EQ(s.row(2), "");
    EXPECT_TRUE(rows_are({alice_row, longname_row, bob_row})(s)) << s.dump();
    for (int r = 7; r < s.rows() - 1; ++r)
        EXPECT_EQ(s.row(r), "") << "row " << r;
    EXPECT_EQ(bar_row(s), 3) << s.dump();
    // Below the bar the lines show bold in the lists' colours.
    for (int r : {4, 5})
        for (int c = 0; c < static_cast<int>(s.row(r).size()); ++c) {
            term_cell cell = s.cell(r, c);
            EXPECT_TRUE(cell.bold && cell.fg == term_white && cell.bg == term_black) << "row " << r << " column " << c;
        }

    EXPECT_EQ(s.row(s.rows() - 1), help_text);
}

struct key_step {
    const char *name;
    const char *bytes;
    int bar;
};

TEST_F(UserList, NavigationKeysMoveTheBar)
{
    // Each key as a terminal sends it, in both of the forms terminals use.
    const key_step steps[] = {
        {"Down", "\x1b[B", 4},
        {"Down", "\x1b[B", 5},
        {"Down on the last line", "\x1b[B", 5},
        {"Up", "\x1b[A", 4},
        {"Home", "\x1b[H", 3},
        {"Up on the first line", "\x1b[A", 3},
        {"PgDn", "\x1b[6~", 5},
        {"Home, VT form", "\x1b[1~", 3},
        {"End", "\x1b[F", 5},
        {"Up, application mode", "\x1bOA", 4},
        {"PgUp", "\x1b[5~", 3},
        {"End, VT form", "\x1b[4~", 5},
    };
    for (const key_step &k : steps) {
        SCOPED_TRACE(k.name);
        t->send(k.bytes);
        // A bar that should stay is given time to move wrongly.
        EXPECT_TRUE(t->wait_for(bar_on(k.bar)));
        ASSERT_TRUE(t->settle());
        EXPECT_EQ(bar_row(*t), k.bar) << t->dump();
    }
    // The bar only changes how a line looks, never what it says.
    EXPECT_TRUE(rows_are({alice_row, longname_row, bob_row})(*t)) << t->dump();
}

TEST_F(UserList, LoginsComeAndGoBetweenTicks)
{
    t->send("\x1b[B\x1b[B");
    ASSERT_TRUE(t->wait_for(bar_on(5)));

    // The ssh login above the bar ends and a new one starts, in one tick.
    test_login ended = longname;
    ended.ended = true;
    box.write({alice, ended, bob, carol});
    ASSERT_TRUE(t->wait_for(rows_are({alice_row, bob_row, carol_row}), 8s));
    EXPECT_EQ(bar_row(*t), 4) << "the bar stays on bob's login\n" << t->dump();
    // The counts agree with the rows below them in the same tick.
    EXPECT_EQ(t->row(0).rfind("3 users: 1 local, 0 telnet, 0 ssh, 2 other", 0), 0u) << t->dump();
}

struct search_step {
    const char *name;
    const char *bytes;
    std::string last_row;
    int bar;
    int cursor_col; // -1: the cursor is hidden
};

TEST_F(UserList, SearchLineFindsLoginsAndTakesItsKeys)
{
    // "o" is in the ssh login's user name and the terminal emulator's name,
    // "ob" only in bob; the local login has neither.
    const search_step steps[] = {
        {"slash opens", "/", "Find:", 3, 6},
        {"a letter finds from the bar on, whatever its case", "O", "Find: O", 4, 7},
        {"Enter finds the next", "\r", "Find: O", 5, 7},
        {"Enter wraps round to the top", "\r", "Find: O", 4, 7},
        {"a second letter narrows", "b", "Find: Ob", 5, 8},
        {"Escape closes", "\x1b", help_text, 5, -1},
        {"slash shows the last text", "/", "Find: Ob", 5, 8},
        {"q is text, and replaces it", "q", "Find: q", 5, 7},
        {"Escape closes again", "\x1b", help_text, 5, -1},
    };
    const int last = t->rows() - 1;
    for (const search_step &k : steps) {
        SCOPED_TRACE(k.name);
        t->send(k.bytes);
        EXPECT_TRUE(t->wait_for([&](const pty_term &s) { return s.row(last) == k.last_row && bar_row(s) == k.bar; }));
        ASSERT_TRUE(t->settle());
        ASSERT_FALSE(t->exited());
        EXPECT_EQ(t->row(last), k.last_row);
        EXPECT_EQ(bar_row(*t), k.bar) << t->dump();
        EXPECT_EQ(t->cursor_visible(), k.cursor_col >= 0);
        if (k.cursor_col >= 0) {
            EXPECT_EQ(t->cursor().row, last);
            EXPECT_EQ(t->cursor().col, k.cursor_col);
        }
    }
    EXPECT_TRUE(rows_are({alice_row, longname_row, bob_row})(*t)) << t->dump();

    t->send("q");
    EXPECT_EQ(t->wait_exit(), 0);
    EXPECT_EQ(t->modes_now(), t->modes_before());
    EXPECT_FALSE(t->alt_screen());
}

TEST_F(UserList, EnterHandsTheRectangleOverAndBack)
{
    t->send("\x1b[B");
    ASSERT_TRUE(t->wait_for(bar_on(4)));

    // Enter hands the rectangle to the login's process tree; keys for the
    // tree leave the hidden list's bar alone.
    t->send("\r");
    ASSERT_TRUE(t->wait_for_text("[ENT]users all[t]ree", t->rows() - 1));
    t->send("\x1b[B");
    ASSERT_TRUE(t->settle());

    t->send("\r");
    EXPECT_TRUE(t->wait_for([](const pty_term &s) {
        return rows_are({alice_row, longname_row, bob_row})(s) && bar_row(s) == 4 && s.row(s.rows() - 1) == help_text;
    })) << t->dump();
}

} // namespace
