// Text other users write, on the user list as a person sees it: command
// lines that try to forge a session row, overwrite their own row, change
// colours or reverse the row, invalid UTF-8, double-width login fields, and
// a command line longer than the terminal is wide. Every row stays its own,
// in its own colours, and ends at the right edge.
#include <memory>
#include <string>
#include <vector>

#include "tests/support/term/logins.h"
#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

constexpr int term_white = 7;

const std::string forged_row = "top\nsshd           root      pts/0  10.9.9.9            bash";
const std::string overwrite = "x\rsshd           mallory   pts/9  evil.example.org    ";
const std::string colours_and_bidi = "\x01\x05red\x10 \xe2\x80\xae"
                                     "desrever \xff\xfe\xe4\xb8\xad\xe6\x96\x87";
const std::string long_line = "/usr/bin/" + std::string(121, 'L'); // 130 characters

const std::string cjk_host = "\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97"
                             "\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97\xe4\xb8\xad"; // ten characters, twenty cells

// What a row shows, without the blanks at its end.
std::string trimmed(std::string s)
{
    return s.erase(s.find_last_not_of(' ') + 1);
}

// 52 cells of columns, then as much of the command line as the 80-column
// row holds.
std::string row(const std::string &columns, const std::string &command)
{
    return trimmed(columns + command.substr(0, 80 - 52));
}

TEST(HostileText, EveryRowStaysItsOwn)
{
    if (std::string why = login_sandbox::unavailable(); !why.empty())
        GTEST_SKIP() << why;
    login_sandbox box(
        {console_login(forged_row), ssh_login(overwrite), ssh_login(colours_and_bidi), pane_login("", long_line)});
    pty_term t(box.options());
    ASSERT_TRUE(box.started(t));
    // Each record names its stand-in's own terminal, as a login's record
    // names the line it holds.
    box.write({{0, "alice", box.line(0), "", false},
               {1, "bob", box.line(1), "", false},
               {2, "jos\xc3\xa9", box.line(2), cjk_host, false},
               {3, "carol", box.line(3), "", false}});
    auto tty = [&](int i) {
        return (box.line(i) + "      ").substr(0, 6) + " ";
    };

    const std::vector<std::string> rows = {
        row("sh             alice     " + tty(0) + "                    ",
            "top?sshd           root      pts/0  10.9.9.9            bash 1000"),
        row("sshd           bob       " + tty(1) + "                    ", "x?sshd           mallory   pts/9"),
        "sshd           jos\xc3\xa9      " + tty(2) +
            "\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97"
            "\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97  ??"
            "red? ?desrever ??"
            "\xe4\xb8\xad\xe6\x96\x87 1000",
        row("sh             carol     " + tty(3) + "                    ", long_line),
    };
    auto shown = [&](const pty_term &s) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (s.row(3 + static_cast<int>(i)) != rows[i])
                return false;
        return true;
    };
    ASSERT_TRUE(t.wait_for(shown)) << t.dump();
    ASSERT_TRUE(t.wait_for_text("[ENT]proc all[t]ree [d]etails [s]ysinfo", t.rows() - 1));
    ASSERT_TRUE(t.settle());

    // No forged row, no tail carried onto the next row.
    for (int r = 3 + static_cast<int>(rows.size()); r < t.rows() - 1; ++r)
        EXPECT_EQ(t.row(r), "") << "row " << r << "\n" << t.dump();
    EXPECT_EQ(t.row(0).substr(0, 42), "4 users: 1 local, 0 telnet, 2 ssh, 1 other");

    // Below the bar every cell keeps the list's own look: nothing in a
    // command line changed a colour or an attribute.
    for (int r = 4; r < 7; ++r)
        for (int c = 0; c < t.cols(); ++c) {
            term_cell cell = t.cell(r, c);
            if (cell.text.empty())
                continue; // the right half of a double-width character
            EXPECT_TRUE(cell.bold && cell.fg == term_white && cell.bg == term_black && !cell.reverse && !cell.underline)
                << "row " << r << " column " << c;
        }
}

} // namespace
