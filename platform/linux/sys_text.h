// Reading the kernel's text files (/proc/stat, /proc/meminfo and the like)
// and the small parsers their lines need.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Builds root + leaf into path; false when it does not fit.
bool root_path(char (&path)[4096], const std::string &root, const char *leaf);

// Reads the file at path whole into buf and points text at what was read;
// false when it cannot be opened or read, or grows past max bytes.
bool read_whole(const char *path, std::string &buf, std::string_view &text, std::size_t max = SIZE_MAX);

// As read_whole, for a file that others may have put at path: only a
// regular file is read, and opening a named pipe or a device there neither
// waits for a writer nor takes a terminal.
bool read_regular(const char *path, std::string &buf, std::string_view &text, std::size_t max = SIZE_MAX);

// Reads root + leaf whole into buf and points text at what was read. The
// caller keeps buf between calls, so that a report allocates only when a
// file outgrows what it needed last time. False when the file cannot be
// opened or read.
bool read_text(const std::string &root, const char *leaf, std::string &buf, std::string_view &text);

// Takes the next line (without its newline) off the front of rest; false
// when nothing is left.
bool next_line(std::string_view &rest, std::string_view &line);

// Takes the next word (a run of anything but blanks and newlines) off the
// front of rest; empty when nothing is left.
std::string_view next_word(std::string_view &rest);

// The whole of s as a number; false for an empty, partial or too large one.
template <typename T> bool whole_num(std::string_view s, T &v, int base = 10)
{
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    return ec == std::errc() && !s.empty() && p == s.data() + s.size();
}
