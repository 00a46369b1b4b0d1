// A stand-in login process for the end-to-end tests: it leads a session of
// its own and waits, as a login process does. Given a file, it also opens
// a terminal of its own (a pseudo-terminal it holds both sides of), makes
// it its controlling terminal, and starts one process in the foreground of
// that terminal whose first argument is the file's bytes, as they stand:
// what the user list shows as the login's foreground command line; or,
// given -c and a command, that command run by /bin/sh -c in the
// foreground. Each command after it runs as another child, with /bin/sh
// -c, so that a test can hang a process tree of its choice below the
// login. It reaps every child that ends. With VIGIL_STANDIN_TITLE in its
// environment it then shows that as its command line, as a login shell
// or daemon names itself.
//
//   vigil_standin [FILE | - | -c COMMAND] [COMMAND...]
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The foreground process: sleep, its first argument the file's bytes; or a
// shell command.
pid_t start_foreground(const char *file, const char *command)
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
    return fg;
}

// The command line the kernel shows is the memory of the arguments: the
// title goes over them, the rest zeros.
void set_title(int argc, char **argv, const char *title)
{
    char *end = argv[argc - 1] + std::strlen(argv[argc - 1]);
    std::size_t room = static_cast<std::size_t>(end - argv[0]);
    std::memset(argv[0], 0, room);
    std::memcpy(argv[0], title, std::min(room, std::strlen(title)));
}

}  // namespace

int main(int argc, char **argv)
{
    if (setsid() < 0 && errno != EPERM)
        return 1;
    int next = 2;
    if (argc >= 3 && std::string(argv[1]) == "-c") {
        start_foreground(nullptr, argv[2]);
        next = 3;
    } else if (argc >= 2 && std::string(argv[1]) != "-") {
        start_foreground(argv[1], nullptr);
    }
    for (int i = next; i < argc; ++i)
        if (fork() == 0) {
            execl("/bin/sh", "sh", "-c", argv[i], nullptr);
            _exit(127);
        }
    if (const char *title = std::getenv("VIGIL_STANDIN_TITLE"))
        set_title(argc, argv, title);
    for (;;)
        if (wait(nullptr) < 0 && errno == ECHILD)
            pause();
}
