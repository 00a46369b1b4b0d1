#include "tests/support/term/logins.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>
#include <utmpx.h>

namespace {

// Process 1 of the namespace is the shell running this, so a stand-in it
// starts hangs below process 1, and it reaps what ends. The accounting
// file appears at the system's path only inside the namespace, by
// mounting the test's directory over /run.
std::string script(const std::vector<standin_login> &logins)
{
    std::string s = "d=$1; shift\n: > \"$d/pids.new\"\n";
    for (std::size_t i = 0; i < logins.size(); ++i) {
        const standin_login &l = logins[i];
        std::string n = std::to_string(i);
        std::string via;
        for (const std::string &v : l.via)
            via += (via.empty() ? "" : ",") + v;
        std::string titles;
        for (const std::string &t : l.titles)
            titles += (titles.empty() ? "" : "|") + t;
        // Double quotes keep a command one word.
        s += "VIGIL_STANDIN_TITLES=\"" + titles + "\" \"" VIGIL_STANDIN "\" \"$d/pid" + n + "\" \"" + via + "\" " +
             std::to_string(l.depth);
        s += l.foreground.empty() ? std::string(" -") : " \"$d/fg" + n + "\"";
        for (const std::string &c : l.children)
            s += " \"" + c + "\"";
        std::string ready = "[ -s \"$d/pid" + n + "\" ]";
        if (!l.foreground.empty())
            ready += " && [ -s \"$d/pid" + n + ".line\" ]";
        s += " &\nuntil " + ready + "; do sleep 0.01; done; cat \"$d/pid" + n + "\" >> \"$d/pids.new\"\n";
    }
    // An invisible sequence on the terminal wakes a test that waits for it.
    s += "mv \"$d/pids.new\" \"$d/pids\"; printf '\\033[m'\n"
         "until [ -e \"$d/utmp\" ] || [ -e \"$d/systemd\" ]; do sleep 0.01; done\n"
         "mount --bind \"$d\" /run || exit 125\n"
         "\"$@\"\n";
    return s;
}

template <std::size_t N> void put(char (&field)[N], const std::string &text)
{
    std::strncpy(field, text.c_str(), N);
}

} // namespace

standin_login console_login(std::string foreground, std::vector<std::string> children)
{
    return {{"login"}, 0, std::move(foreground), std::move(children), {}};
}

standin_login ssh_login(std::string foreground, std::vector<std::string> children)
{
    return {{"sshd"}, 2, std::move(foreground), std::move(children), {}};
}

standin_login telnet_login(std::string foreground, std::vector<std::string> children)
{
    return {{"telnetd", "login"}, 0, std::move(foreground), std::move(children), {}};
}

standin_login pane_login(std::string parent, std::string foreground, std::vector<std::string> children)
{
    std::vector<std::string> via;
    if (!parent.empty())
        via.push_back(std::move(parent));
    return {std::move(via), 1, std::move(foreground), std::move(children), {}};
}

login_sandbox::login_sandbox(std::vector<standin_login> logins) : logins_(std::move(logins))
{
    char dir[] = "/tmp/vigil-logins.XXXXXX";
    if (!mkdtemp(dir))
        throw std::runtime_error("mkdtemp failed");
    dir_ = dir;
    for (std::size_t i = 0; i < logins_.size(); ++i)
        if (!logins_[i].foreground.empty())
            std::ofstream(dir_ + "/fg" + std::to_string(i), std::ios::binary) << logins_[i].foreground;
}

login_sandbox::~login_sandbox()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string login_sandbox::unavailable()
{
    static const std::string why = [] {
        const char *probe = "unshare -pfm --mount-proc --propagation private sh -c 'mount --bind /tmp /run' "
                            ">/dev/null 2>&1";
        return std::system(probe) == 0 ? std::string()
                                       : std::string("cannot make a private PID and mount namespace: ") + probe;
    }();
    return why;
}

term_options login_sandbox::options(term_options opt) const
{
    opt.prefix = {"unshare", "-pfm", "--mount-proc", "--propagation", "private", "sh", "-c", script(logins_),
                  "sh",      dir_};
    return opt;
}

testing::AssertionResult login_sandbox::started(pty_term &t)
{
    std::string list = dir_ + "/pids";
    auto ran = t.wait_for([&](const pty_term &) { return std::filesystem::exists(list); });
    if (!ran)
        return ran << "(waited for the stand-in login processes)";
    std::ifstream in(list);
    pids_.clear();
    for (int pid; in >> pid;)
        pids_.push_back(pid);
    if (pids_.size() != logins_.size())
        return testing::AssertionFailure() << pids_.size() << " of " << logins_.size() << " stand-ins started";
    lines_.assign(logins_.size(), "");
    for (std::size_t i = 0; i < logins_.size(); ++i)
        std::ifstream(dir_ + "/pid" + std::to_string(i) + ".line") >> lines_[i];
    return testing::AssertionSuccess();
}

void login_sandbox::write(const std::vector<test_login> &logins) const
{
    std::string next = dir_ + "/utmp.new";
    std::ofstream out(next, std::ios::binary | std::ios::trunc);
    for (const test_login &l : logins) {
        utmpx u{};
        u.ut_type = l.ended ? DEAD_PROCESS : USER_PROCESS;
        u.ut_pid = pids_.at(static_cast<std::size_t>(l.proc));
        put(u.ut_line, l.line);
        // As logout(3) leaves it: an ended login's record keeps its line only.
        if (!l.ended) {
            put(u.ut_user, l.user);
            put(u.ut_host, l.host);
        }
        out.write(reinterpret_cast<const char *>(&u), sizeof u);
    }
    out.close();
    // Renamed into place, so that the program never reads half a file.
    std::filesystem::rename(next, dir_ + "/utmp");
}

std::string login_sandbox::line(int proc) const
{
    return lines_.at(static_cast<std::size_t>(proc));
}

// A state file as systemd-logind writes it (logind-session.c, session_save)
// and its library reads it, with the keys vigil asks for. The format is
// logind's own and may change between systemd versions; these are those of
// systemd 252 to 257.
void login_sandbox::write_sessions(const std::vector<test_session> &sessions) const
{
    std::string dir = dir_ + "/systemd/sessions";
    std::filesystem::create_directories(dir);
    std::vector<std::string> keep;
    for (const test_session &s : sessions) {
        std::string next = dir + "/." + s.id + ".new";
        std::ofstream out(next, std::ios::trunc);
        out << "# This is private data. Do not parse.\n"
            << "UID=" << s.uid << "\nUSER=u" << s.uid << "\nACTIVE=1\nIS_DISPLAY=0\n"
            << "STATE=" << s.state << "\nREMOTE=" << (s.host.empty() ? 0 : 1) << "\n"
            << "TYPE=" << (s.display.empty() ? "tty" : "x11") << "\nCLASS=" << s.klass << "\n"
            << "SCOPE=session-" << s.id << ".scope\n";
        if (!s.tty.empty())
            out << "TTY=" << s.tty << "\n";
        if (!s.display.empty())
            out << "DISPLAY=" << s.display << "\n";
        if (!s.host.empty())
            out << "REMOTE_HOST=" << s.host << "\n";
        out << "SERVICE=login\nLEADER=" << pids_.at(static_cast<std::size_t>(s.proc)) << "\n";
        out.close();
        std::filesystem::rename(next, dir + "/" + s.id);
        keep.push_back(s.id);
    }
    for (const auto &e : std::filesystem::directory_iterator(dir))
        if (std::find(keep.begin(), keep.end(), e.path().filename().string()) == keep.end())
            std::filesystem::remove(e.path());
}

int login_sandbox::lock() const
{
    int fd = open((dir_ + "/utmp").c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return -1;
    // An open file description's lock: no other close in this process drops it.
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}
