// A platform backend held in memory, for tests of the shared folders. A
// test says what the host looks like in a few lines:
//
//   fake_reset();
//   fake_process({.pid = 100, .ppid = 1, .name = "sshd", .tpgid = 200,
//                 .cmdline = fake_argv({"sshd", "-D"})});
//   fake_login("alice", "pts/0", "x", 100);
//   fake_load(0.5, 1, 2);
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

struct fake_proc {
    int pid = 0;
    int ppid = 0;
    std::string name;
    int tpgid = -1;
    std::string cmdline;  // raw bytes as the kernel keeps them (see fake_argv)
    std::uint32_t uid = 0;
    char state = 'S';
};

// Empties the host: no processes, logins, users or load; argument vectors
// readable.
void fake_reset();

// Adds the process, or replaces the one with the same pid.
void fake_process(const fake_proc &p);
void fake_process_gone(int pid);
// The next reads of the process table fail, or read again.
void fake_table_fails(bool yes);
// How many argument vectors were read since the last reset.
int fake_cmdline_reads();
// Each argument followed by a zero byte.
std::string fake_argv(std::initializer_list<std::string> args);
// What plat_can_read_cmdlines answers.
void fake_cmdlines_readable(bool yes);

// Appends a live login to the login database.
void fake_login(const std::string &user, const std::string &line, const std::string &host, int pid);
void fake_logins_clear();
// The next reads of the login database fail, or read again.
void fake_logins_fail(bool yes);

// A password entry, and how many times plat_user_name was asked since the
// last reset.
void fake_user(std::uint32_t uid, const std::string &name);
int fake_user_lookups();

void fake_load(double one, double five, double fifteen);
void fake_load_unavailable();
