// How an entry of a process's open-file list, as FreeBSD's procstat library
// gives it, becomes a plat_file.
#pragma once

#include "platform/platform.h"

// How the process uses a file, with the kernel's values (the FreeBSD
// backend checks them against its headers).
constexpr int KFILE_RDIR = 0x1;   // its root directory
constexpr int KFILE_CDIR = 0x2;   // its working directory
constexpr int KFILE_TEXT = 0x10;  // its executable

// The PF_RDIR, PF_CDIR and PF_TEXT bits for the kernel's use flags; every
// other use is dropped.
int file_uses(int kernel_uflags);

// One entry. The type keeps the kernel's number (platform.h numbers the
// types as FreeBSD does); a null path is an empty one.
plat_file file_entry(int fd, int type, int kernel_uflags, const char *path);
