// The system report as a person sees it on this host: "s" opens it with
// the boot date, "z" scrolls down to the last device and no further, the
// processor shares move on with the tick, Escape closes it.
#include <ctime>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

// On a 40 x 120 terminal the window's text is rows 9 to 30, columns 23 to
// 96, inside a frame one cell wider all round.
constexpr int top = 9, left = 23, bottom = 30, right = 96;

std::string inside(const pty_term &t, int row)
{
    return cells_text(t, row, left, right);
}

std::string window_text(const pty_term &t)
{
    std::string out;
    for (int r = top; r <= bottom; ++r)
        out += inside(t, r) + '\n';
    return out;
}

bool window_open(const pty_term &t)
{
    return t.cell(top - 1, left - 1).text == "┌";
}

// The boot time the kernel gives, -1 when it gives none.
long host_boot_time()
{
    std::ifstream in("/proc/stat");
    std::string word;
    long secs = -1;
    while (in >> word)
        if (word == "btime" && in >> secs)
            return secs;
    return -1;
}

// A device row: a name column of 20 cells, a space, a driver.
bool device_row(const std::string &row)
{
    return row.size() > 21 && row[0] != ' ' && row[20] == ' ' && row[21] != ' ';
}

// The four shares of a processor line, or false when it is not one; they
// add up to 100 give or take the rounding, or are all 0.0.
bool shares_line(const std::string &row)
{
    static const std::regex line(R"(CPU: (\d+\.\d)% user (\d+\.\d)% sys (\d+\.\d)% nice (\d+\.\d)% idle)");
    std::smatch m;
    if (!std::regex_match(row, m, line))
        return false;
    double sum = 0;
    for (int i = 1; i <= 4; ++i)
        sum += std::stod(m[i]);
    return sum == 0 || (sum > 99.7 && sum < 100.3);
}

TEST(SystemReport, BootDateScrollingTheTickAndEscape)
{
    long boot = host_boot_time();
    if (boot < 0)
        GTEST_SKIP() << "/proc/stat gives no boot time to compare with";
    term_options opt;
    opt.rows = 40;
    opt.cols = 120;
    // One time zone for vigil and for the date the test expects.
    opt.env.push_back("TZ=UTC");
    pty_term t(opt);
    ASSERT_TRUE(t.wait_for(vigil_drawn)) << t.dump();

    t.send("s");
    ASSERT_TRUE(t.wait_for([](const pty_term &x) { return inside(x, top).starts_with("BOOT TIME: "); })) << t.dump();
    ASSERT_TRUE(t.settle());
    std::time_t when = boot;
    std::string date = std::asctime(std::gmtime(&when));
    date.pop_back();
    EXPECT_EQ(inside(t, top), "BOOT TIME: " + date);
    EXPECT_TRUE(t.cell(top, left).bold);
    const std::string first_shares = inside(t, top + 1);
    EXPECT_TRUE(shares_line(first_shares)) << first_shares;
    EXPECT_EQ(inside(t, top + 2), "MEMORY:");
    EXPECT_TRUE(inside(t, top + 3).starts_with("PageSize: ")) << t.dump();

    // The shares since boot, then a tick later the shares of those three
    // seconds: a busy, shared machine never gives the same four figures.
    ASSERT_TRUE(t.wait_for(
        [&](const pty_term &x) { return shares_line(inside(x, top + 1)) && inside(x, top + 1) != first_shares; }, 8s))
        << "still " << first_shares << "\n"
        << t.dump();

    // "z" until the view stops moving: the last row of DEVICES is then on
    // the window's bottom row.
    std::string before;
    for (int round = 0; round < 40 && window_text(t) != before; ++round) {
        before = window_text(t);
        t.send(std::string(20, 'z'));
        ASSERT_TRUE(t.settle(300ms));
    }
    ASSERT_EQ(window_text(t), before) << "the view never stopped\n" << t.dump();
    const std::string last = inside(t, bottom);
    EXPECT_TRUE(device_row(last)) << t.dump();
    // Every row above it up to the devices' title is a device, and nothing
    // of the report follows them.
    bool titled = false;
    for (int r = bottom - 1; r >= top && !titled; --r) {
        std::string row = inside(t, r);
        titled = row == "-------------------- -------------------";
        EXPECT_TRUE(titled || device_row(row)) << row << "\n" << t.dump();
    }

    // No further, after more "z" and a tick's redraw.
    t.send("zzzzz");
    std::this_thread::sleep_for(3500ms);
    ASSERT_TRUE(t.settle());
    EXPECT_EQ(inside(t, bottom), last) << t.dump();
    EXPECT_TRUE(window_open(t));

    // Escape closes the window, and only the window.
    t.send("\x1b");
    ASSERT_TRUE(t.wait_for([](const pty_term &x) { return !window_open(x); })) << t.dump();
    ASSERT_TRUE(t.settle());
    EXPECT_FALSE(t.exited());
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

} // namespace
