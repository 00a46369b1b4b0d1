// The FreeBSD compile check run on units of the test's own: it must fail,
// and name the unit, when one does not compile for FreeBSD.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The project's root, from where this file stands in it.
std::string project_root()
{
    std::string here = __FILE__;
    return here.substr(0, here.rfind("/tests/platform/"));
}

struct result {
    int status = -1;
    std::string output;
};

result run(const std::string &command)
{
    result r;
    FILE *p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.output.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string last_line(const std::string &text)
{
    std::string t = text.substr(0, text.find_last_not_of('\n') + 1);
    return t.substr(t.rfind('\n') + 1);
}

class FreeBsdCheck : public ::testing::Test {
protected:
    std::string script = project_root() + "/scripts/check-freebsd.sh";
    std::string tarball = project_root() + "/../shared/freebsd/sysroot.tar.xz";
    std::string dir;

    void SetUp() override
    {
        char tmpl[] = "/tmp/vigil-fbsd-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override
    {
        if (!dir.empty())
            std::system(("rm -rf '" + dir + "'").c_str());
    }
    std::string unit(const std::string &name, const std::string &text)
    {
        std::string path = dir + "/" + name;
        std::ofstream(path) << text;
        return path;
    }
};

} // namespace

TEST_F(FreeBsdCheck, WithoutTheSysrootItSaysSoAndPasses)
{
    result r = run("VIGIL_FREEBSD_SYSROOT='" + dir + "/none.tar.xz' '" + script + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "freebsd: skipped (no sysroot)\n");
}

TEST_F(FreeBsdCheck, AUnitThatIsNotFreeBsdsFailsTheCheckByName)
{
    struct stat st;
    if (stat(tarball.c_str(), &st) != 0)
        GTEST_SKIP() << "no FreeBSD sysroot at " << tarball;
    if (std::system("command -v clang++ >/dev/null") != 0)
        GTEST_SKIP() << "clang++ is not installed";

    // Linux's header is not FreeBSD's; FreeBSD's own record is, which shows
    // that the check reads the sysroot and not this machine's headers; and
    // the project's warnings are errors there.
    std::string linux_only = unit("uptime.cpp", "#include <sys/sysinfo.h>\n"
                                                "long up() { struct sysinfo si; sysinfo(&si); return si.uptime; }\n");
    std::string freebsd = unit("kinfo.cpp", "#include <sys/param.h>\n#include <sys/sysctl.h>\n#include <sys/user.h>\n"
                                            "static_assert(sizeof(kinfo_proc) == KINFO_PROC_SIZE);\n"
                                            "int pid_of(const kinfo_proc &kp) { return kp.ki_pid; }\n");
    std::string narrowing = unit("narrow.cpp", "int narrow(long v) { return v; }\n");

    // The sysroot is unpacked where make check-freebsd keeps it, once.
    result r = run("'" + script + "' --only '" + freebsd + "' '" + linux_only + "' '" + narrowing + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("freebsd: " + linux_only + " does not compile"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("'sys/sysinfo.h' file not found"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("freebsd: " + narrowing + " does not compile"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find(freebsd + " does not compile"), std::string::npos) << r.output;
    EXPECT_EQ(last_line(r.output), "freebsd: 1/3 units compile");

    // The same check passes once only the FreeBSD unit is left.
    r = run("'" + script + "' --only '" + freebsd + "'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "freebsd: 1/1 units compile\n");
}
