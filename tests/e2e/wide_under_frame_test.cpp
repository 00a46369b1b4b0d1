// Double-width text under the detail window's frame, as a person sees it:
// a character the frame would cut in two leaves a blank beside the frame,
// never half of itself, the rows keep their columns on both sides of the
// window, also after a resize with the window open, and once the window
// closes the rows are whole again. Characters with a combining mark on
// them too.
#include <memory>
#include <string>
#include <vector>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

const std::string zhong = "\xe4\xb8\xad";     // 中
const std::string wen = "\xe6\x96\x87";       // 文
const std::string acute = "\xcc\x81";         // a combining acute accent
const std::string replacement = "\xef\xbf\xbd";  // what a terminal shows for broken UTF-8

std::string times(const std::string &s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// Eight logins on rows 3 to 10; the window's frame spans rows 6 to 23 and
// columns 18 and 81 of the 30 x 100 terminal. The user column starts at
// column 15, so "文" stands on columns 17 and 18; the command at 52 starts
// with "x", so its characters stand on odd columns, one across 81 and 82.
// Every second row has a mark on each of them.
constexpr int logins = 8;

std::string character(int i)
{
    return i % 2 ? zhong + acute : zhong;
}
std::string user(int i)
{
    return zhong + (i % 2 ? wen + acute : wen) + zhong + zhong;
}
std::string foreground(int i)
{
    return "x" + times(character(i), 60);
}

// The row as the user list draws it at a width of `cols`: the columns,
// then as many whole characters of the command line as fit.
std::string row_text(int i, int cols)
{
    std::string line = "pts/" + std::to_string(i);
    return "sshd           " + user(i) + "  " + line + std::string(7 - line.size(), ' ') + std::string(20, ' ') +
           "x" + times(character(i), (cols - 52 - 1) / 2);
}

class WideUnderFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string why = login_sandbox::unavailable(); !why.empty())
            GTEST_SKIP() << why;
        std::vector<std::string> parents(logins, "sshd"), fgs;
        for (int i = 0; i < logins; ++i)
            fgs.push_back(foreground(i));
        box = std::make_unique<login_sandbox>(parents, fgs);
        term_options opt;
        opt.rows = 30;
        opt.cols = 100;
        t = std::make_unique<pty_term>(box->options(opt));
        ASSERT_TRUE(box->started(*t));
        std::vector<test_login> records;
        for (int i = 0; i < logins; ++i)
            records.push_back({i, user(i), "pts/" + std::to_string(i), "", false});
        box->write(records);
    }

    // Every login row as the list draws it at the terminal's width.
    testing::AssertionResult rows_whole() const
    {
        for (int i = 0; i < logins; ++i)
            if (t->row(3 + i) != row_text(i, t->cols()))
                return testing::AssertionFailure() << "row " << 3 + i << "\n" << t->dump();
        return testing::AssertionSuccess();
    }

    // On the rows under the frame: a blank where the frame would cut a
    // character, whole characters on either side, nothing broken anywhere.
    void expect_cut_cleanly(int right_frame) const
    {
        const pty_term &s = *t;
        for (int r = 6; r < 3 + logins; ++r) {
            SCOPED_TRACE("row " + std::to_string(r));
            std::string ch = character(r - 3);
            EXPECT_EQ(s.cell(r, 15).text, zhong) << s.dump();
            EXPECT_EQ(s.cell(r, 16).text, "") << "the right half of the character before";
            EXPECT_EQ(s.cell(r, 17).text, " ") << "no half of the character under the frame";
            EXPECT_EQ(s.cell(r, 18).text, r == 6 ? "┌" : "│");
            EXPECT_EQ(s.cell(r, right_frame).text, r == 6 ? "┐" : "│");
            EXPECT_EQ(s.cell(r, right_frame + 1).text, " ");
            EXPECT_EQ(s.cell(r, right_frame + 2).text, ch) << "the next character in its own column";
            EXPECT_EQ(s.cell(r, right_frame + 3).text, "");
        }
        for (int r = 0; r < s.rows(); ++r)
            EXPECT_EQ(s.row(r).find(replacement), std::string::npos) << "broken UTF-8 on row " << r;
    }

    std::unique_ptr<login_sandbox> box;
    std::unique_ptr<pty_term> t;
};

TEST_F(WideUnderFrame, StaysWholeThroughOpeningResizingAndClosing)
{
    pty_term &s = *t;
    ASSERT_TRUE(s.wait_for([this](const pty_term &) { return rows_whole(); })) << s.dump();

    s.send("d");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return x.cell(6, 18).text == "┌"; })) << s.dump();
    ASSERT_TRUE(s.settle());
    expect_cut_cleanly(81);

    // Ten columns more: the window's right edge follows, its left stays.
    s.resize(34, 110);
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return x.cell(27, 91).text == "┘"; })) << s.dump();
    ASSERT_TRUE(s.settle());
    expect_cut_cleanly(91);

    // Closed, the rows are whole again, without a border cell left in them.
    s.send("\x1b");
    ASSERT_TRUE(s.wait_for([](const pty_term &x) { return x.cell(6, 18).text != "┌"; })) << s.dump();
    ASSERT_TRUE(s.settle());
    EXPECT_TRUE(rows_whole());
    for (int r = 3; r < s.rows(); ++r)
        EXPECT_EQ(s.row(r).find("│"), std::string::npos) << "row " << r << "\n" << s.dump();
}

}  // namespace
