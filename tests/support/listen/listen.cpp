// A small inetd for the end-to-end tests' real logins: accepts
// connections on a loopback port and runs a server for each (telnetd,
// which expects its connection on its standard input, output and error).
//
//   vigil_listen PORT SERVER ARG...
#include <arpa/inet.h>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[1])));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s < 0 || bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(s, 8) != 0)
        return 1;
    // Servers that end are reaped by the kernel.
    signal(SIGCHLD, SIG_IGN);
    for (;;) {
        int c = accept(s, nullptr, nullptr);
        if (c < 0)
            continue;
        if (fork() == 0) {
            signal(SIGCHLD, SIG_DFL);
            for (int fd = 0; fd < 3; ++fd)
                dup2(c, fd);
            execv(argv[2], argv + 2);
            _exit(127);
        }
        close(c);
    }
}
