// A stand-in login process for the end-to-end tests: it leads a session of
// its own and waits, as a login process does. Given a file, it also opens
// a terminal of its own (a pseudo-terminal it holds both sides of), makes
// it its controlling terminal, and starts one process in the foreground of
// that terminal whose first argument is the file's bytes, as they stand:
// what the user list shows as the login's foreground command line. Each
// command after it runs as another child, with /bin/sh -c, so that a test
// can hang a process tree of its choice below the login. It reaps every
// child that ends.
//
//   vigil_standin [FILE|-] [COMMAND...]
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The foreground process: sleep, its first argument the file's bytes.
pid_t start_foreground(const char *file)
{
    std::ifstream in(file, std::ios::binary);
    std::string first((std::istreambuf_iterator<char>(in)), {});

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

}  // namespace

int main(int argc, char **argv)
{
    if (setsid() < 0 && errno != EPERM)
        return 1;
    if (argc >= 2 && std::string(argv[1]) != "-")
        start_foreground(argv[1]);
    for (int i = 2; i < argc; ++i)
        if (fork() == 0) {
            execl("/bin/sh", "sh", "-c", argv[i], nullptr);
            _exit(127);
        }
    for (;;)
        if (wait(nullptr) < 0 && errno == ECHILD)
            pause();
}
