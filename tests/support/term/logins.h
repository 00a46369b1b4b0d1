// Logins of a test's own. The program runs in a private PID and mount
// namespace where processes stand in for login processes and a login
// accounting file that the test writes lies at the system's path, so the
// host's records are neither read nor touched.
#pragma once

#include <string>
#include <vector>

#include "tests/support/term/pty_term.h"

struct test_login {
    int proc = 0; // which stand-in login process, an index into the parents
    std::string user;
    std::string line;
    std::string host;
    bool ended = false; // the line's login has ended
};

class login_sandbox {
public:
    // One stand-in login process per parent: "" starts it straight from the
    // namespace's process 1, any other word from a shell copied under that
    // name, which thus becomes the parent's command name. A stand-in with a
    // non-empty foreground has a terminal of its own, in whose foreground
    // runs "/bin/sleep 1000" with those bytes as its first argument: its
    // command line reads "<foreground> 1000". The others have no terminal.
    // Each of a stand-in's children is a command run by /bin/sh -c as its
    // child (no quotes, no "$" or backslashes in it), for a process tree
    // below the login.
    explicit login_sandbox(std::vector<std::string> parents, std::vector<std::string> foregrounds = {},
                           std::vector<std::vector<std::string>> children = {});
    // Removes the files; the namespace ends with the program's terminal.
    ~login_sandbox();
    login_sandbox(const login_sandbox &) = delete;
    login_sandbox &operator=(const login_sandbox &) = delete;

    // Why this machine cannot host the sandbox, or "" when it can.
    static std::string unavailable();

    // `opt` with its command run inside the namespace, started once the
    // first accounting file is written.
    term_options options(term_options opt = {}) const;
    // Until the stand-ins run, feeding `t` meanwhile.
    testing::AssertionResult started(pty_term &t);
    // Replaces the whole accounting file at once, records in this order.
    void write(const std::vector<test_login> &logins) const;
    // Takes the write lock on the accounting file as a login program that
    // writes its record does, and keeps it until the descriptor returned is
    // closed; -1 when it cannot. A later write() replaces the file, lock
    // and all.
    int lock() const;

private:
    std::vector<std::string> parents_;
    std::vector<std::string> foregrounds_;
    std::vector<std::vector<std::string>> children_;
    std::string dir_;
    std::vector<int> pids_; // the stand-ins' pids inside the namespace
};
