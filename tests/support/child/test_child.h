// A test's child process: it dies with the test process, a crash included,
// and its guard kills and reaps it on every way out of a test, a failed
// assertion included. A test that reaps it itself does so through reap(),
// so that the guard never signals a pid the system may have handed on.
#pragma once

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

class test_child {
public:
    test_child() : pid_(fork())
    {
        if (pid_ == 0)
            prctl(PR_SET_PDEATHSIG, SIGKILL);
    }
    ~test_child()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    test_child(const test_child &) = delete;
    test_child &operator=(const test_child &) = delete;

    // 0 in the child, -1 when the fork failed (or once reaped).
    pid_t pid() const { return pid_; }
    // Waits for the child to end and gives its status, -1 when it cannot.
    int reap()
    {
        int status = -1;
        if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_)
            pid_ = -1;
        return status;
    }

private:
    pid_t pid_;
};
