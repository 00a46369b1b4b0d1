// The detail window as a person sees it: the account of the user under the
// bar, a user without one, a process's facts in the tree, scrolling, the
// empty frame, closing, quitting, and a resize.
#include <ctime>
#include <memory>
#include <string>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

// On a 30 x 100 terminal the window's text is rows 7 to 22, columns 19 to
// 80, inside a frame one cell wider all round.
constexpr int top = 7, left = 19, bottom = 22, right = 80;

// The window's text on one of its rows.
std::string inside(const pty_term &t, int row)
{
    return cells_text(t, row, left, right);
}

auto shows(int row, std::string text)
{
    return [row, text](const pty_term &t) {
        return inside(t, row) == text;
    };
}

class DetailWindow : public ::testing::Test {
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
        box.write({{0, "root", "pts/1", "", false}, {1, "ghost", "pts/2", "", false}});
        ASSERT_TRUE(t->wait_for_text("ghost", 4));
    }

    // root's login runs a job in /tmp. The job opens five descriptors of
    // its own, so its table is long enough to scroll however few it inherits.
    login_sandbox box{
        {ssh_login("", {"cd /tmp && exec sleep 1004 5</dev/null 6</dev/null 7</dev/null 8</dev/null 9</dev/null"}),
         ssh_login()}};
    std::unique_ptr<pty_term> t;
};

TEST_F(DetailWindow, AccountsProcessesScrollingAndClosing)
{
    pty_term &s = *t;
    s.send("d");
    ASSERT_TRUE(s.wait_for(shows(top, "NAME: root"))) << s.dump();
    ASSERT_TRUE(s.settle());
    EXPECT_EQ(inside(s, top + 1), "HOME: /root");
    EXPECT_EQ(inside(s, top + 2), "UID: 0");
    EXPECT_TRUE(s.cell(top, left).bold);
    EXPECT_EQ(s.cell(top, left).bg, 6) << "black on cyan";
    EXPECT_NE(s.row(bottom + 1).find(" <- -> [a]up [z]down "), std::string::npos) << s.dump();
    EXPECT_EQ(s.cell(top - 1, left - 1).text, "┌");

    // The bar moves under the window; the report follows after the key.
    s.send("\x1b[B");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) {
        return inside(x, top) == "Error - user not found." && inside(x, top + 1).empty();
    })) << s.dump();

    // Escape closes the window, and only the window.
    s.send("\x1b");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return x.cell(top - 1, left - 1).text != "┌"; })) << s.dump();
    EXPECT_FALSE(s.exited());
    EXPECT_NE(s.row(4).find("ghost"), std::string::npos);

    // A process in the tree: its start today, executable, working
    // directory and open descriptors.
    s.send("\x1b[A\r");
    ASSERT_TRUE(s.wait_for_text("sleep 1004")) << s.dump();
    s.send("/^sleep 1004");
    ASSERT_TRUE(s.wait_for_text("Find: ^sleep 1004", s.rows() - 1));
    s.send("\x1b");
    ASSERT_TRUE(s.wait_for_text("[ENT]users", s.rows() - 1));
    s.send("d");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return inside(x, top).starts_with("START: "); })) << s.dump();
    ASSERT_TRUE(s.settle());
    char today[16];
    std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%b %e", std::localtime(&now));
    EXPECT_NE(inside(s, top).find(today), std::string::npos) << inside(s, top);
    EXPECT_TRUE(inside(s, top + 1) == "EXE: /usr/bin/sleep" || inside(s, top + 1) == "EXE: /bin/sleep")
        << inside(s, top + 1);
    EXPECT_EQ(inside(s, top + 2), "ROOT: /");
    EXPECT_EQ(inside(s, top + 3), "CWD: /tmp");
    EXPECT_EQ(inside(s, top + 4), "CMDLINE: sleep 1004");
    EXPECT_EQ(inside(s, top + 6), "STATUS:");
    EXPECT_EQ(inside(s, top + 7), "Name:   sleep");

    // "z" scrolls down a row at a time, "a" back up.
    for (int i = 0; i < 10; ++i)
        s.send("z");
    // Sixteen rows above the descriptor table's title: ten "z" put it on
    // the window's seventh row.
    ASSERT_TRUE(s.wait_for(shows(top + 6, "FILE DESCRIPTORS:"))) << s.dump();
    ASSERT_TRUE(s.settle());
    EXPECT_EQ(inside(s, top + 7), "FD   TYPE    PATH");
    EXPECT_TRUE(inside(s, top + 8).starts_with("-1   vnode   /")) << inside(s, top + 8);
    EXPECT_TRUE(inside(s, top + 12).starts_with("1    vnode   /dev/pts/")) << "the terminal the test holds\n"
                                                                           << s.dump();
    s.send("a");
    ASSERT_TRUE(s.wait_for(shows(top + 7, "FILE DESCRIPTORS:"))) << s.dump();

    // "p" is an empty frame.
    s.send("p");
    ASSERT_TRUE(s.wait_for(shows(top, ""))) << s.dump();
    ASSERT_TRUE(s.settle());
    for (int r = top; r <= bottom; ++r)
        EXPECT_EQ(inside(s, r), "") << r;

    // A resize: the window keeps its top-left corner, and its bottom-right
    // edge follows the terminal.
    s.send("d");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return inside(x, top).starts_with("START: "); })) << s.dump();
    s.resize(40, 120);
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return x.cell(bottom + 11, right + 21).text == "┘"; })) << s.dump();
    ASSERT_TRUE(s.settle());
    EXPECT_EQ(s.cell(top - 1, left - 1).text, "┌");
    EXPECT_NE(s.row(bottom + 11).find(" <- -> [a]up [z]down "), std::string::npos) << s.dump();

    // Escape closes the window, the next Escape quits.
    s.send("\x1b");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return x.cell(top - 1, left - 1).text != "┌"; })) << s.dump();
    s.send("\x1b");
    EXPECT_EQ(s.wait_exit(), 0);
    EXPECT_EQ(s.modes_now(), s.modes_before());
}

} // namespace
