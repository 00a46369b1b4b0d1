// `cmake --install` of this very build into a directory of the test's own,
// as a packager does with DESTDIR: exactly the program and its man page
// arrive under the prefix, the program runs from there, and the man page
// reads cleanly with the version of the build.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace fs = std::filesystem;

namespace {

struct run_result {
    int status = -1; // the exit status, or -1 when the command did not exit
    std::string out;
    std::string err;
};

// Runs `argv` with `env` added to ours, and collects what it writes.
run_result run(const std::vector<std::string> &argv, const std::vector<std::string> &env = {})
{
    // Everything the child needs is built before the fork.
    std::vector<std::string> words = argv;
    std::vector<char *> args;
    for (auto &w : words)
        args.push_back(w.data());
    args.push_back(nullptr);
    std::vector<std::string> vars = env;
    for (char **e = environ; *e; ++e) {
        std::string_view var = *e;
        std::string_view name = var.substr(0, var.find('='));
        bool replaced = false;
        for (const auto &v : env)
            replaced =
                replaced || (v.size() > name.size() && v.compare(0, name.size(), name) == 0 && v[name.size()] == '=');
        if (!replaced)
            vars.emplace_back(var);
    }
    std::vector<char *> envp;
    for (auto &v : vars)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    run_result r;
    pollfd fds[] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string *into[] = {&r.out, &r.err};
    int open_pipes = 2;
    while (open_pipes > 0 && poll(fds, 2, -1) >= 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buf[4096];
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                into[i]->append(buf, static_cast<std::size_t>(n));
                continue;
            }
            close(fds[i].fd);
            fds[i].fd = -1;
            --open_pipes;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool on_path(const std::string &name)
{
    return run({"sh", "-c", "command -v \"$1\"", "sh", name}).status == 0;
}

// A fresh DESTDIR with this build installed into it, removed afterwards.
class Installed : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vigil-install.XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            FAIL() << "mkdtemp: " << std::strerror(errno);
        destdir = pattern;
        run_result r = run({VIGIL_CMAKE_COMMAND, "--install", VIGIL_BUILD_DIR}, {"DESTDIR=" + destdir.string()});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
    }

    void TearDown() override
    {
        std::error_code ignored;
        if (!destdir.empty())
            fs::remove_all(destdir, ignored);
    }

    // Where a path under the prefix lands in the DESTDIR.
    fs::path at(const std::string &under_prefix) const
    {
        return destdir / fs::path(VIGIL_INSTALL_PREFIX).relative_path() / under_prefix;
    }

    fs::path destdir;
};

TEST_F(Installed, ProgramAndManPageOnlyAndTheProgramRunsFromThere)
{
    const fs::path program = at("bin/vigil");
    const fs::path manual = at("share/man/man1/vigil.1");

    // Every entry of the tree is one of the two files or a folder on the way
    // to one of them: no library, header, test or benchmark comes along.
    std::set<fs::path> expected;
    for (const fs::path &file : {program, manual})
        for (fs::path p = file; p != destdir; p = p.parent_path())
            expected.insert(p);
    std::set<fs::path> found;
    for (const auto &entry : fs::recursive_directory_iterator(destdir))
        found.insert(entry.path());
    EXPECT_EQ(found, expected);

    ASSERT_TRUE(fs::is_regular_file(program));
    EXPECT_EQ(fs::status(program).permissions() & fs::perms::all, fs::perms(0755));
    EXPECT_EQ(fs::status(manual).permissions() & fs::perms::all, fs::perms(0644));

    term_options opt;
    opt.command = {program.string()};
    pty_term t(opt);
    ASSERT_TRUE(t.wait_for(vigil_drawn));
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST_F(Installed, ManPageRendersWithoutWarningsAndNamesTheVersion)
{
    if (!on_path("man"))
        GTEST_SKIP() << "man (man-db) is needed to render the man page";
    run_result r = run({"man", "--warnings", "-l", at("share/man/man1/vigil.1").string()},
                       {"MANWIDTH=80", "LANG=C.UTF-8", "MANPAGER=cat", "PAGER=cat"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "") << "warnings while rendering the man page";
    EXPECT_NE(r.out.find("vigil - full-screen monitor"), std::string::npos) << r.out;
    // The footer carries the version the build was made with.
    EXPECT_NE(r.out.find("vigil " VIGIL_VERSION), std::string::npos) << r.out;
}

} // namespace
