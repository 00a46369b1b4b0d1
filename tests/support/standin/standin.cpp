// A stand-in login for the end-to-end tests and the demo, laid out as the
// real login programs lay theirs out:
//
//   vigil_standin PIDFILE VIA DEPTH [FILE | - | -c COMMAND] [COMMAND...]
//
// VIA names the programs between the caller and the recorded login
// process, outermost first, separated by commas ("telnetd,login"; empty
// for none): each is a process of that name that forks the next and waits
// for it, as Debian's /bin/login forks the shell it records. The recorded
// process leads a session of its own and writes its pid to PIDFILE.
//
// DEPTH says how far below the recorded process the one holding the line
// is: 0, the recorded process itself (the shell that login records); 1,
// its child (a terminal program, recorded by libutempter, and its pane's
// shell); 2, its grandchild (sshd's privileged monitor, the session's
// process, the shell). The holder leads a session on a pseudo-terminal
// of its own (holding both sides) and starts one process in the
// foreground: sleep, its first argument FILE's bytes as they stand (what
// the user list shows as the login's foreground), or COMMAND run by
// /bin/sh -c; it writes the terminal's line name ("pts/7") to
// PIDFILE.line, for the login record to name. With "-" there is no
// terminal at all. Each further COMMAND
// runs with /bin/sh -c as another child of the holder, for a process tree
// below the login.
//
// VIGIL_STANDIN_TITLES, "title|title|...", gives the command lines the
// recorded process and those below it show, down to the holder, as sshd
// ("sshd: alice [priv]") and login shells ("-bash") name themselves; the
// command name is the title's first word, as the real program's is
// ("sshd", "bash").
// Every process reaps the children that end; those of VIA end with theirs.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> split(const char *text, char sep)
{
    std::vector<std::string> parts;
    if (!text || !*text)
        return parts;
    std::string s(text);
    for (std::size_t at = 0;;) {
        std::size_t end = s.find(sep, at);
        parts.push_back(s.substr(at, end - at));
        if (end == std::string::npos)
            return parts;
        at = end + 1;
    }
}

// The command name a title stands for: its first word, without a login
// shell's "-" and a daemon's ":".
std::string name_of(const std::string &title)
{
    std::string name = title.substr(0, title.find(' '));
    if (name.starts_with("-"))
        name.erase(0, 1);
    if (name.ends_with(":"))
        name.pop_back();
    return name;
}

// The command line the kernel shows is the memory of the arguments: the
// title goes over them, the rest zeros.
void set_title(int argc, char **argv, const std::string &title)
{
    char *end = argv[argc - 1] + std::strlen(argv[argc - 1]);
    std::size_t room = static_cast<std::size_t>(end - argv[0]);
    std::memset(argv[0], 0, room);
    std::memcpy(argv[0], title.data(), std::min(room, title.size()));
}

[[noreturn]] void reap_for_ever()
{
    for (;;)
        if (wait(nullptr) < 0 && errno == ECHILD)
            pause();
}

// The foreground process of the holder's terminal: sleep, its first
// argument the file's bytes; or a shell command.
void start_foreground(const char *file, const char *command, const std::string &linefile)
{
    std::string first;
    if (file) {
        std::ifstream in(file, std::ios::binary);
        first.assign(std::istreambuf_iterator<char>(in), {});
    }

    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        std::exit(1);
    int slave = open(ptsname(master), O_RDWR);
    if (slave < 0 || ioctl(slave, TIOCSCTTY, 0) != 0)
        std::exit(1);
    if (FILE *f = std::fopen(linefile.c_str(), "w")) {
        std::fprintf(f, "%s\n", ptsname(master) + std::strlen("/dev/"));
        std::fclose(f);
    }

    pid_t fg = fork();
    if (fg == 0) {
        setpgid(0, 0);
        // The foreground group is set from here too, so that it holds
        // before the command runs, whichever side is scheduled first.
        signal(SIGTTOU, SIG_IGN);
        tcsetpgrp(slave, getpid());
        signal(SIGTTOU, SIG_DFL);
        close(master);
        if (command) {
            execl("/bin/sh", "sh", "-c", command, nullptr);
            _exit(127);
        }
        char seconds[] = "1000";
        char *args[] = {first.data(), seconds, nullptr};
        execv("/bin/sleep", args);
        _exit(127);
    }
    setpgid(fg, fg);
    signal(SIGTTOU, SIG_IGN);
    tcsetpgrp(slave, fg);
    // Both sides stay open for as long as the login lasts.
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    // Titles go over the memory of the arguments: what is needed of them
    // is copied first.
    const std::vector<std::string> args(argv, argv + argc);
    int depth = std::atoi(argv[3]);
    std::vector<std::string> titles = split(std::getenv("VIGIL_STANDIN_TITLES"), '|');

    // The programs above the login: each a fork, named, that waits for
    // its child and ends with it.
    for (const std::string &name : split(argv[2], ',')) {
        pid_t child = fork();
        if (child < 0)
            return 1;
        if (child > 0) {
            prctl(PR_SET_NAME, name.c_str());
            set_title(argc, argv, name);
            int status;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR)
                ;
            return 0;
        }
    }

    if (setsid() < 0 && errno != EPERM)
        return 1;
    if (FILE *f = std::fopen(args[1].c_str(), "w")) {
        std::fprintf(f, "%d\n", getpid());
        std::fclose(f);
    }
    // Down to the process holding the line, which leads a session of its
    // own; each step above it stays in the recorded one's and only waits.
    for (int level = 0;; ++level) {
        if (level < static_cast<int>(titles.size())) {
            const std::string &title = titles[static_cast<std::size_t>(level)];
            set_title(argc, argv, title);
            prctl(PR_SET_NAME, name_of(title).c_str());
        }
        if (level == depth)
            break;
        pid_t child = fork();
        if (child < 0)
            return 1;
        if (child > 0)
            reap_for_ever();
    }
    if (depth > 0 && setsid() < 0)
        return 1;

    std::size_t next = 5;
    if (args.size() >= 6 && args[4] == "-c") {
        start_foreground(nullptr, args[5].c_str(), args[1] + ".line");
        next = 6;
    } else if (args.size() >= 5 && args[4] != "-") {
        start_foreground(args[4].c_str(), nullptr, args[1] + ".line");
    }
    for (std::size_t i = next; i < args.size(); ++i)
        if (fork() == 0) {
            execl("/bin/sh", "sh", "-c", args[i].c_str(), nullptr);
            _exit(127);
        }
    reap_for_ever();
}
