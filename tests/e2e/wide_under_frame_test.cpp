// Double-width text under the detail window's frame, with and without a
// combining mark on it: a character the frame would cut in two leaves a
// blank beside the frame, the rows keep their columns on both sides of the
// window, also after a resize with it open, and once it closes the rows are
// whole again, with no border cell left in them.
#include <memory>
#include <string>
#include <vector>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"

namespace {

const std::string zhong = "\xe4\xb8\xad"; // 中, and 文 with an acute accent on every second row
const std::string wen[] = {"\xe6\x96\x87", "\xe6\x96\x87\xcc\x81"};
const std::string ch[] = {zhong, zhong + "\xcc\x81"};

std::string times(const std::string &s, int n)
{
    std::string out;
    while (n-- > 0)
        out += s;
    return out;
}

// Eight logins on rows 3 to 10 of a 30 x 100 terminal, where the frame
// spans rows 6 to 23 and columns 18 and 81. The user column starts at 15,
// so 文 stands on 17 and 18; the command at 52 starts with "x", so one of
// its characters stands on 81 and 82.
constexpr int logins = 8;

std::string user(int i)
{
    return zhong + wen[i % 2] + zhong + zhong;
}

// The row as the list draws it `cols` wide, its login on `line`: as many
// whole characters of the command line as fit after the columns.
std::string row_text(int i, std::string line, int cols)
{
    line = line.substr(0, 6);
    return "sshd           " + user(i) + "  " + line + std::string(27 - line.size(), ' ') + "x" +
           times(ch[i % 2], (cols - 53) / 2);
}

TEST(WideUnderFrame, StaysWholeThroughOpeningResizingAndClosing)
{
    if (std::string why = login_sandbox::unavailable(); !why.empty())
        GTEST_SKIP() << why;
    std::vector<standin_login> ssh;
    for (int i = 0; i < logins; ++i)
        ssh.push_back(ssh_login("x" + times(ch[i % 2], 60)));
    login_sandbox box(ssh);
    term_options opt;
    opt.rows = 30;
    opt.cols = 100;
    pty_term s(box.options(opt));
    ASSERT_TRUE(box.started(s));
    std::vector<test_login> records;
    for (int i = 0; i < logins; ++i)
        records.push_back({i, user(i), box.line(i), "", false});
    box.write(records);

    auto rows_whole = [&box](const pty_term &t) {
        for (int i = 0; i < logins; ++i)
            if (t.row(3 + i) != row_text(i, box.line(i), t.cols()))
                return false;
        return true;
    };
    // A blank where the frame would cut a character, whole characters on
    // either side, and no broken UTF-8 anywhere.
    auto cut_cleanly = [&s](int frame) {
        for (int r = 6; r < 3 + logins; ++r) {
            SCOPED_TRACE("row " + std::to_string(r) + "\n" + s.dump());
            EXPECT_EQ(s.cell(r, 15).text + s.cell(r, 16).text, zhong);
            EXPECT_EQ(s.cell(r, 17).text, " ") << "no half of the character under the frame";
            EXPECT_EQ(s.cell(r, 18).text, r == 6 ? "┌" : "│");
            EXPECT_EQ(s.cell(r, frame).text, r == 6 ? "┐" : "│");
            EXPECT_EQ(s.cell(r, frame + 1).text, " ");
            EXPECT_EQ(s.cell(r, frame + 2).text + s.cell(r, frame + 3).text, ch[(r - 3) % 2]);
        }
        for (int r = 0; r < s.rows(); ++r)
            EXPECT_EQ(s.row(r).find("\xef\xbf\xbd"), std::string::npos) << "broken UTF-8 on row " << r;
    };
    ASSERT_TRUE(s.wait_for(rows_whole)) << s.dump();

    s.send("d");
    ASSERT_TRUE(s.wait_for([](const pty_term &t) { return t.cell(6, 18).text == "┌"; })) << s.dump();
    ASSERT_TRUE(s.settle());
    cut_cleanly(81);

    // Ten columns more: the window's right edge follows, its left stays.
    s.resize(34, 110);
    ASSERT_TRUE(s.wait_for([](const pty_term &t) { return t.cell(27, 91).text == "┘"; })) << s.dump();
    ASSERT_TRUE(s.settle());
    cut_cleanly(91);

    s.send("\x1b");
    ASSERT_TRUE(s.wait_for([](const pty_term &t) { return t.cell(6, 18).text != "┌"; })) << s.dump();
    ASSERT_TRUE(s.settle());
    EXPECT_TRUE(rows_whole(s)) << s.dump();
    for (int r = 3; r < s.rows(); ++r)
        EXPECT_EQ(s.row(r).find("│"), std::string::npos) << "row " << r << "\n" << s.dump();
}

} // namespace
