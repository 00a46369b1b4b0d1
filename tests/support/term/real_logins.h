// Real logins of a test's own: vigil runs in private PID, mount and network
// namespaces beside OpenSSH's sshd, inetutils telnetd, getty with login,
// and tmux, with accounts, a login file and login logs of the namespace's
// own (tests/support/term/real_logins.sh). A test starts logins by kind,
// types on their terminals as their user would, and reads what they print.
#pragma once

#include <string>

#include "tests/support/term/pty_term.h"

class real_logins {
public:
    // hide: /proc hides other users' processes (hidepid=2) and vigil runs
    // as an ordinary user, bob; the logins are alice's.
    explicit real_logins(bool hide = false);
    ~real_logins();
    real_logins(const real_logins &) = delete;
    real_logins &operator=(const real_logins &) = delete;

    // Why this machine cannot host them (no namespaces, a program missing),
    // or "" when it can.
    static std::string unavailable();

    // `opt` with vigil run inside the namespaces.
    term_options options(term_options opt = {}) const;
    // Until the daemons listen, feeding `t` meanwhile.
    testing::AssertionResult started(pty_term &t);

    // Starts a login of alice's, named so that it can be typed on and read.
    // ssh with a command (on a terminal, -tt) or an interactive shell:
    void ssh(const std::string &name, const std::string &command = {});
    // telnet, answered at its prompts with alice's name and password:
    testing::AssertionResult telnet(pty_term &t, const std::string &name);
    // getty and login on a line of process 1's:
    void console(const std::string &name);
    // A tmux server, its one pane running command:
    void tmux(const std::string &command);
    void tmux_end();

    // Types on the client side of a login's terminal.
    void type(const std::string &name, const std::string &keys) const;
    // Until the login's terminal has shown `text`, feeding `t` meanwhile.
    testing::AssertionResult printed(pty_term &t, const std::string &name, const std::string &text) const;
    // What procps w shows, line by line, as "LINE WHAT": the same moment
    // seen by the tool a person checks vigil against.
    std::string w(pty_term &t) const;

private:
    void run(const std::string &command) const;
    bool hide_;
    std::string dir_;
};
