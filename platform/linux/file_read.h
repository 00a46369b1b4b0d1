// Small helpers for reading the process file system.
#pragma once

#include <cstddef>
#include <unistd.h>

// Owns one descriptor and closes it on every way out.
struct unique_fd {
    int fd;
    explicit unique_fd(int f) : fd(f) {}
    unique_fd(const unique_fd &) = delete;
    unique_fd &operator=(const unique_fd &) = delete;
    ~unique_fd()
    {
        if (fd >= 0)
            close(fd);
    }
};

// Reads the file at path from its start into buf, at most len bytes,
// looping over short reads. Returns the number of bytes read, or -1 when the
// file cannot be opened or read (a process that went away, say).
long read_file(const char *path, char *buf, std::size_t len);

// A pid's path under the proc root, "<proc>/PID<leaf>"; false when the
// root is too long for it.
bool pid_path(char (&path)[4096], int pid, const char *leaf);

// read_file of a pid's file under the proc root.
long read_pid_file(int pid, const char *leaf, char *buf, std::size_t len);
