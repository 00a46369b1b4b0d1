// The other side of a terminal, for the end-to-end tests' real logins: it
// holds the master side of a new pseudo-terminal, writes the line's name
// ("pts/7") to NAME.line, copies what arrives in the FIFO NAME.in to the
// line as typed keys, and appends what the line prints to NAME.out, where
// a test reads prompts and replies. Given a command, it runs it with the
// line as its controlling terminal (a telnet or ssh client on a terminal,
// as a person runs them) and ends when it ends; without one it leaves the
// line for a program that opens it by name (getty) and runs until killed.
//
//   vigil_ptyhold NAME [COMMAND ARG...]
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const std::string name = argv[1];
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return 1;
    const std::string slave = ptsname(master);
    // The fifo is held open for writing too, so that it never reads as
    // ended between two writers.
    if (mkfifo((name + ".in").c_str(), 0600) != 0 && errno != EEXIST)
        return 1;
    int in = open((name + ".in").c_str(), O_RDWR | O_CLOEXEC);
    int out = open((name + ".out").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (in < 0 || out < 0)
        return 1;

    pid_t child = -1;
    if (argc > 2) {
        child = fork();
        if (child == 0) {
            setsid();
            int tty = open(slave.c_str(), O_RDWR);
            if (tty < 0 || ioctl(tty, TIOCSCTTY, 0) != 0)
                _exit(126);
            struct winsize ws = {24, 80, 0, 0};
            ioctl(tty, TIOCSWINSZ, &ws);
            for (int fd = 0; fd < 3; ++fd)
                dup2(tty, fd);
            execvp(argv[2], argv + 2);
            _exit(127);
        }
    }
    // Written last: a test that sees the name may start typing.
    std::string lines = name + ".line";
    if (FILE *f = std::fopen((lines + ".new").c_str(), "w")) {
        std::fprintf(f, "%s\n", slave.c_str() + std::strlen("/dev/"));
        std::fclose(f);
        std::rename((lines + ".new").c_str(), lines.c_str());
    }

    for (;;) {
        if (child > 0 && waitpid(child, nullptr, WNOHANG) == child)
            return 0;
        pollfd fds[2] = {{master, POLLIN, 0}, {in, POLLIN, 0}};
        if (poll(fds, 2, 100) < 0 && errno != EINTR)
            return 1;
        char buf[4096];
        if (fds[0].revents & POLLIN) {
            ssize_t n = read(master, buf, sizeof buf);
            if (n > 0 && write(out, buf, static_cast<std::size_t>(n)) < 0)
                return 1;
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Nobody has the line open (yet, or between a getty and its
            // login): wait for the next to open it.
            usleep(20000);
        }
        if (fds[1].revents & POLLIN) {
            ssize_t n = read(in, buf, sizeof buf);
            if (n > 0 && write(master, buf, static_cast<std::size_t>(n)) < 0)
                return 1;
        }
    }
}
