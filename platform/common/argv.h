// Argument vectors as the kernel keeps them: each argument followed by a
// zero byte.
#pragma once

#include <cstddef>

// Copies a null-ended vector of arguments, as a library hands it out, into
// buf in the kernel's form, at most len bytes: the last argument may be cut
// and lose its zero byte. Returns the number of bytes written, 0 for an
// empty vector. The library hands out no vector at all both for an empty
// one (a kernel process's) and for a read that failed; err, the error
// number the read left, tells them apart: 0 when nothing failed, and the
// vector was empty; otherwise the answer is -1.
long join_argv(const char *const *argv, int err, char *buf, std::size_t len);

// What a read of an argument vector into room bytes delivered, given
// whether the call succeeded, whether it failed only for want of room, and
// the length it reported. A vector longer than the room is cut to it, not
// lost: the kernel fills the room before it says there was not enough.
// -1 when nothing could be read.
long copied_bytes(bool ok, bool no_room, std::size_t reported, std::size_t room);
