// Ctrl+Z and `fg` from an interactive shell: while vigil is stopped the
// shell has the terminal as it was before vigil started; once it goes on,
// vigil has the screen again and answers every key, a lone Escape
// included, even though the shell cleared O_NONBLOCK meanwhile.
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

struct shell {
    const char *name;
    std::vector<std::string> command;
};

const shell shells[] = {
    {"Bash", {"bash", "--norc", "--noprofile", "-i"}},
    {"Dash", {"dash", "-i"}},
};

void PrintTo(const shell &s, std::ostream *os)
{
    *os << s.name;
}

bool installed(const std::string &program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

bool last_row_has(const pty_term &t, const std::string &text)
{
    return t.row(t.rows() - 1).find(text) != std::string::npos;
}

// The shell's prompt on the last line it wrote, nothing typed after it.
auto prompt_after(std::string what)
{
    return [what](const pty_term &t) {
        bool seen = false;
        for (const std::string &row : t.screen()) {
            if (row.find(what) != std::string::npos)
                seen = true;
            else if (seen && row == "$")
                return !t.alt_screen();
        }
        return false;
    };
}

class Suspend : public testing::TestWithParam<shell> {};

TEST_P(Suspend, CtrlZThenFgThenALoneEscapeAndQ)
{
    const shell &sh = GetParam();
    if (!installed(sh.command[0]))
        GTEST_SKIP() << sh.command[0] << " is not installed";
    term_options opt;
    opt.command = sh.command;
    opt.env.push_back("PS1=$ ");
    pty_term t(opt);
    ASSERT_TRUE(t.wait_for_text("$"));
    ASSERT_TRUE(t.settle());
    const term_modes at_prompt = t.modes_now();

    t.send(VIGIL_BINARY "\n");
    ASSERT_TRUE(t.wait_for(vigil_drawn));

    t.send("\x1a");
    ASSERT_TRUE(t.wait_for(prompt_after("Stopped")));
    ASSERT_TRUE(t.settle());
    EXPECT_TRUE(t.cursor_visible());
    EXPECT_EQ(t.modes_now(), at_prompt);

    t.send("fg\n");
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return s.alt_screen() && vigil_drawn(s); }));
    EXPECT_FALSE(t.cursor_visible());

    t.send("/");
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return last_row_has(s, "Find:"); }));
    // A lone Escape is settled by a read that finds nothing: it must not wait.
    t.send("\x1b");
    ASSERT_TRUE(t.wait_for(vigil_drawn, 3s)) << "the lone Escape was never answered";
    t.send("q");
    ASSERT_TRUE(t.wait_for(prompt_after(VIGIL_BINARY)));
    t.send("echo status=$?\n");
    ASSERT_TRUE(t.wait_for(prompt_after("status=")));
    EXPECT_TRUE(t.wait_for_text("status=0"));
    ASSERT_TRUE(t.settle());

    EXPECT_FALSE(t.alt_screen());
    EXPECT_TRUE(t.cursor_visible());
    EXPECT_EQ(t.modes_now(), at_prompt);
    // dash says so when it finds its input left non-blocking.
    for (const std::string &row : t.screen())
        EXPECT_EQ(row.find("NDELAY"), std::string::npos) << t.dump();
}

INSTANTIATE_TEST_SUITE_P(Shells, Suspend, testing::ValuesIn(shells),
                         [](const testing::TestParamInfo<shell> &p) { return std::string(p.param.name); });

} // namespace
