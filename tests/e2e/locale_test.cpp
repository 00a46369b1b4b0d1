// A person whose language writes decimal commas still reads vigil's figures
// in their C form: the locale says how characters are encoded, not how
// numbers look.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <regex.h>

#include "tests/support/term/pty_term.h"

namespace {

bool matches(const std::string &text, const char *pattern)
{
    regex_t re;
    if (regcomp(&re, pattern, REG_EXTENDED | REG_NOSUB) != 0)
        return false;
    bool found = regexec(&re, text.c_str(), 0, nullptr, 0) == 0;
    regfree(&re);
    return found;
}

TEST(Locale, NumbersKeepTheirPointUnderADecimalCommaLocale)
{
    // A German locale of the test's own, so that nothing on the machine
    // needs to have been generated.
    char dir[] = "/tmp/vigil-locale.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string made = std::string("localedef -i de_DE -f UTF-8 ") + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
    bool have = std::system(made.c_str()) == 0;
    if (!have) {
        std::filesystem::remove_all(dir);
        GTEST_SKIP() << "cannot make a de_DE.UTF-8 locale: " << made;
    }

    term_options opt;
    opt.env = term_env();
    opt.env.push_back(std::string("LOCPATH=") + dir);
    opt.env.push_back("LC_ALL=de_DE.UTF-8");
    pty_term t(opt);
    EXPECT_TRUE(t.wait_for_text("load: ", 0));
    EXPECT_TRUE(matches(t.row(0), "load: [0-9]+\\.[0-9]{2}, [0-9]+\\.[0-9]{2}, [0-9]+\\.[0-9]{2}$")) << t.dump();
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
    std::filesystem::remove_all(dir);
}

} // namespace
