// Logins of a test's own. The program runs in a private PID and mount
// namespace where processes stand in for login processes, laid out as the
// real login programs lay theirs out, and a login accounting file that the
// test writes lies at the system's path, so the host's records are neither
// read nor touched.
#pragma once

#include <string>
#include <vector>

#include "tests/support/term/pty_term.h"

struct test_login {
    int proc = 0; // which stand-in login, an index into the sandbox's logins
    std::string user;
    std::string line;
    std::string host;
    bool ended = false; // the line's login has ended
};

// One stand-in login, laid out as a real login program lays its processes
// out (see tests/support/standin/standin.cpp).
struct standin_login {
    // The programs between the namespace's process 1 and the recorded
    // login process, outermost first; each forks the next and waits.
    std::vector<std::string> via;
    // How far below the recorded process the one holding the line is.
    int depth = 0;
    // Non-empty: the holder has a terminal of its own, in whose foreground
    // runs "/bin/sleep 1000" with these bytes as its first argument, so
    // that its command line reads "<foreground> 1000". Empty: no terminal.
    std::string foreground;
    // Commands run by /bin/sh -c as children of the holder (no quotes, no
    // "$" or backslashes in them), for a process tree below the login.
    std::vector<std::string> children;
    // The command lines of the recorded process and those below it, down
    // to the holder (none: the stand-in's own); each names its process by
    // its first word, as "-bash" and "sshd: alice [priv]" do.
    std::vector<std::string> titles;
};

// The shapes of the real programs. A console: getty's login, started by
// process 1, forks the shell it records.
standin_login console_login(std::string foreground = {}, std::vector<std::string> children = {});
// OpenSSH: the listening sshd's child, the privileged monitor without a
// terminal, is recorded; the shell holding the line is its grandchild.
standin_login ssh_login(std::string foreground = {}, std::vector<std::string> children = {});
// telnetd's login forks the shell it records.
standin_login telnet_login(std::string foreground = {}, std::vector<std::string> children = {});
// A terminal program recorded through libutempter, the shell of its pane
// holding the line: a tmux server, a child of process 1 (parent ""), or an
// emulator started by the program named parent.
standin_login pane_login(std::string parent = {}, std::string foreground = {}, std::vector<std::string> children = {});

// A session of systemd-logind, as its state file describes it.
struct test_session {
    std::string id; // "3", "c1"
    int proc = 0;   // its leader, an index into the sandbox's logins
    unsigned uid = 0;
    std::string tty;     // "" for none
    std::string display; // "" for none
    std::string host;
    std::string klass = "user";
    std::string state = "active";
};

class login_sandbox {
public:
    explicit login_sandbox(std::vector<standin_login> logins);
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
    // The line name ("pts/7") of the terminal of a stand-in with a
    // foreground, once started: what its login record must name for the
    // foreground to show, as a real login's record names its terminal.
    std::string line(int proc) const;
    // Replaces the whole accounting file at once, records in this order.
    void write(const std::vector<test_login> &logins) const;
    // Replaces logind's sessions with these; the program sees them under
    // /run/systemd once the first accounting file or the first sessions
    // are written.
    void write_sessions(const std::vector<test_session> &sessions) const;
    // Takes the write lock on the accounting file as a login program that
    // writes its record does, and keeps it until the descriptor returned is
    // closed; -1 when it cannot. A later write() replaces the file, lock
    // and all.
    int lock() const;

private:
    std::vector<standin_login> logins_;
    std::string dir_;
    std::vector<int> pids_; // the stand-ins' pids inside the namespace
    std::vector<std::string> lines_;
};
