// The process tree as a person sees it: a login's processes with their
// prefixes and colours, the counts, the columns "l" and "o" add, search,
// signals, the whole tree, the way back to the user list, and a login that
// ends under the view.
#include <memory>
#include <string>
#include <vector>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

constexpr int term_green = 2;
constexpr int term_white = 7;

const std::string tree_help = "[ENT]users all[t]ree [d]etails [o]wner [s]ysinfo [l]ine-numbers [^t]ERM [/]search";
const std::string whole_help = "[ENT]users [d]etails [o]wner [s]ysinfo [l]ine-numbers [^t]ERM [/]search";
// The login's foreground command names itself with escape sequences,
// colour bytes and invalid UTF-8.
const std::string hostile = "\x1b[31mRED\x01\x05\xff\xc3 evil";

// The terminal row showing `text`, or -1.
int row_of(const pty_term &t, const std::string &text)
{
    for (int r = 3; r < t.rows() - 1; ++r)
        if (t.row(r).find(text) != std::string::npos)
            return r;
    return -1;
}

auto bar_on(const std::string &text)
{
    return [text](const pty_term &t) {
        return bar_row(t) >= 0 && bar_row(t) == row_of(t, text);
    };
}

class ProcessTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string why = login_sandbox::unavailable(); !why.empty())
            GTEST_SKIP() << why;
        term_options opt;
        opt.rows = 30;
        opt.cols = 100;
        t = std::make_unique<pty_term>(box.options(opt));
        ASSERT_TRUE(box.started(*t));
        box.write({{0, "alice", "pts/1", "", false}});
        ASSERT_TRUE(t->wait_for_text("alice", 3));
    }

    // One login with a foreground command, a child, and a child that has a
    // child of its own.
    login_sandbox box{{console_login(hostile, {"exec sleep 1001", "sleep 1002 & exec sleep 1003"})}};
    std::unique_ptr<pty_term> t;
};

TEST_F(ProcessTree, ALoginsTreeFromEnterToLogout)
{
    pty_term &s = *t;
    s.send("\r");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return row_of(x, "sleep 1002") > 0; })) << s.dump();
    ASSERT_TRUE(s.wait_for_text(tree_help, s.rows() - 1));
    ASSERT_TRUE(s.wait_for_text("5 tasks: 0 running, 5 sleeping", 1)) << s.dump();
    ASSERT_TRUE(s.settle());

    // The login on top, its children below it with their prefixes; the
    // nested one a level deeper, as the last child of its parent.
    EXPECT_NE(s.row(3).find("   - " VIGIL_STANDIN), std::string::npos) << s.dump();
    int nested = row_of(s, "sleep 1002");
    int parent = row_of(s, "sleep 1003");
    EXPECT_EQ(nested, parent + 1) << s.dump();
    EXPECT_NE(s.row(nested).find(" | `- sleep 1002"), std::string::npos) << s.dump();
    for (int r = 4; r < 8; ++r) {
        std::string text = s.row(r);
        EXPECT_TRUE(text.find(" |- ") != std::string::npos || text.find(" `- ") != std::string::npos) << text;
    }
    // The hostile command line: no colour of its own, nothing moved.
    int fg = row_of(s, "RED");
    ASSERT_GT(fg, 0) << s.dump();
    EXPECT_NE(s.row(fg).find("?[31mRED???? evil 1000"), std::string::npos) << s.row(fg);
    int text_from = static_cast<int>(s.row(fg).find("?[31m"));
    for (int c = text_from; c < static_cast<int>(s.row(fg).size()); ++c) {
        term_cell cell = s.cell(fg, c);
        EXPECT_TRUE(cell.fg == term_white && cell.bg == term_black && !cell.reverse) << "column " << c;
    }
    EXPECT_EQ(s.cell(nested, 9).fg, term_green) << "the prefix is green";
    EXPECT_EQ(s.row(8), "") << "five processes, five rows\n" << s.dump();

    // Line numbers and the owner column.
    s.send("lo");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) {
        return x.row(3).starts_with("   1 ") && x.row(3).find(" root ") != std::string::npos;
    })) << s.dump();
    s.send("lo");

    // Search finds a child; Ctrl+K ends it. The bar goes to the last line
    // below it, and when the child's line goes at a tick the bar stays on
    // the process it is on.
    s.send("/^sleep 1001"); // the login's own command line names it too
    ASSERT_TRUE(s.wait_for(bar_on("- sleep 1001"))) << s.dump();
    s.send("\x1b"); // alone, or it would make the next key a Meta key
    ASSERT_TRUE(s.wait_for_text(tree_help, s.rows() - 1));
    s.send("\x0b");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) {
        return x.row(1).find("Signal 9 was sent to process") != std::string::npos;
    })) << s.dump();
    s.send("\x1b[F"); // End
    ASSERT_TRUE(s.wait_for(bar_on("RED"))) << s.dump();
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return row_of(x, "- sleep 1001") < 0; })) << s.dump();
    ASSERT_TRUE(s.wait_for_text("4 tasks: 0 running, 4 sleeping", 1)) << s.dump();
    EXPECT_TRUE(bar_on("RED")(s)) << s.dump();

    // The whole tree: process 1 on top, which no key signals. The help
    // line keeps the text it had.
    s.send("t");
    ASSERT_TRUE(s.wait_for_text("tasks: 1 running", 1)) << s.dump();
    EXPECT_TRUE(bar_on("RED")(s)) << s.dump();
    EXPECT_EQ(s.row(s.rows() - 1), tree_help);
    s.send("\x1b[H"); // Home
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return bar_row(x) == 3 && x.row(3).starts_with("    1   - "); }))
        << s.dump();
    s.send("\x0b");
    ASSERT_TRUE(s.wait_for_text("Can't send signal 9 to process 1", 1)) << s.dump();

    // Enter brings the user list back over the tree's rectangle, its bar
    // where it was.
    s.send("\r");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) {
        return x.row(4).empty() && x.row(3).find("alice") != std::string::npos;
    })) << s.dump();
    EXPECT_EQ(bar_row(s), 3);
    EXPECT_TRUE(s.wait_for_text("[ENT]proc all[t]ree [d]etails [s]ysinfo", s.rows() - 1));
    EXPECT_EQ(s.row(1), "");

    // "t" from the user list opens the whole tree with its own help.
    s.send("t");
    ASSERT_TRUE(s.wait_for_text(whole_help, s.rows() - 1)) << s.dump();
    EXPECT_TRUE(s.row(3).starts_with("    1   - ")) << s.dump();
    s.send("\r");
    ASSERT_TRUE(s.wait_for_text("alice", 3)) << s.dump();

    // The login itself ends under the view: signalled from the tree.
    s.send("\r");
    ASSERT_TRUE(s.wait_for(bar_on(VIGIL_STANDIN))) << s.dump();
    s.send("\x0b");
    ASSERT_TRUE(s.wait_for_text("User has logged out", 3)) << s.dump();
    EXPECT_TRUE(s.wait_for_text("0 tasks: 0 running, 0 sleeping", 1));

    // The whole tree from there has its bar again, on process 1, and the
    // bar moves.
    s.send("t");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return bar_row(x) == 3 && x.row(3).starts_with("    1   - "); }))
        << s.dump();
    s.send("\x1b[B"); // Down
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return bar_row(x) == 4; })) << s.dump();

    s.send("\rq");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(s.modes_now(), s.modes_before());
}

} // namespace
