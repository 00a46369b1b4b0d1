#include "tests/support/term/real_logins.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace {

std::string read_all(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Single quotes for the shell that runs the test's commands.
std::string quoted(const std::string &s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

real_logins::real_logins(bool hide) : hide_(hide)
{
    char dir[] = "/tmp/vigil-real.XXXXXX";
    if (!mkdtemp(dir))
        throw std::runtime_error("mkdtemp failed");
    dir_ = dir;
}

real_logins::~real_logins()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string real_logins::unavailable()
{
    static const std::string why = [] {
        std::string missing;
        for (const char *p : {"/usr/sbin/sshd", "/usr/bin/ssh", "/usr/bin/telnet", "/usr/sbin/agetty", "/usr/bin/tmux",
                              "/usr/bin/setpriv", "/usr/bin/ssh-keygen"})
            if (access(p, X_OK) != 0)
                missing += std::string(" ") + p;
        if (access("/usr/sbin/telnetd", X_OK) != 0 && access("/usr/sbin/in.telnetd", X_OK) != 0)
            missing += " telnetd";
        if (!missing.empty())
            return "this machine lacks" + missing + " (make test installs them)";
        const char *probe = "unshare -pfmn --mount-proc --propagation private sh -c "
                            "'ip link set lo up && mount --bind /tmp /run' >/dev/null 2>&1";
        return std::system(probe) == 0 ? std::string()
                                       : std::string("cannot make private PID, mount and network namespaces: ") + probe;
    }();
    return why;
}

term_options real_logins::options(term_options opt) const
{
    opt.prefix = {"unshare",
                  "-pfmn",
                  "--mount-proc",
                  "--propagation",
                  "private",
                  "sh",
                  VIGIL_SOURCE_DIR "/tests/support/term/real_logins.sh",
                  dir_,
                  hide_ ? "1" : "0",
                  VIGIL_PTYHOLD,
                  VIGIL_LISTEN};
    return opt;
}

testing::AssertionResult real_logins::started(pty_term &t)
{
    auto ready = t.wait_for([&](const pty_term &) { return std::filesystem::exists(dir_ + "/ready"); });
    return ready ? ready : ready << "(waited for sshd and telnetd)\n" << read_all(dir_ + "/sshd.log");
}

void real_logins::run(const std::string &command) const
{
    std::ofstream(dir_ + "/ctl") << command << "\n";
}

void real_logins::ssh(const std::string &name, const std::string &command)
{
    run("ssh_login " + name + (command.empty() ? "" : " " + quoted(command)));
}

testing::AssertionResult real_logins::telnet(pty_term &t, const std::string &name)
{
    run("telnet_login " + name);
    if (auto r = printed(t, name, "login: "); !r)
        return r;
    type(name, "alice\r");
    if (auto r = printed(t, name, "Password: "); !r)
        return r;
    type(name, "pw\r");
    return printed(t, name, "alice@");
}

void real_logins::console(const std::string &name)
{
    run("console_login " + name);
}

void real_logins::tmux(const std::string &command)
{
    run("tmux_login " + quoted(command));
}

void real_logins::tmux_end()
{
    run("tmux -S \"$d/tmux\" kill-server");
}

void real_logins::type(const std::string &name, const std::string &keys) const
{
    std::ofstream(dir_ + "/" + name + ".in", std::ios::binary) << keys;
}

testing::AssertionResult real_logins::printed(pty_term &t, const std::string &name, const std::string &text) const
{
    std::string out = dir_ + "/" + name + ".out";
    auto seen = t.wait_for([&](const pty_term &) { return read_all(out).find(text) != std::string::npos; }, 20s);
    return seen ? seen : seen << "(waited for \"" << text << "\" on " << name << "'s terminal)\n" << read_all(out);
}

std::string real_logins::w(pty_term &t) const
{
    std::string out = dir_ + "/w.txt";
    std::filesystem::remove(out);
    run("w -hs | awk '{ l = $2; $1 = $2 = $3 = $4 = \"\"; sub(/^ +/, \"\"); print l, $0 }' > \"$d/w.new\" && "
        "mv \"$d/w.new\" \"$d/w.txt\"");
    t.wait_for([&](const pty_term &) { return std::filesystem::exists(out); });
    return read_all(out);
}
