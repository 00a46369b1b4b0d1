// One process's kernel record, read through the system-control interface,
// and its fields as plain numbers.
#pragma once

#include <sys/param.h>
#include <sys/sysctl.h>
#include <sys/user.h>

#include "platform/common/kproc.h"

// The record of pid; false when the process does not exist, cannot be seen
// or the kernel's record is not the one these headers describe.
bool read_kinfo(int pid, kinfo_proc &kp);

// The fields the record's proc_rec is made of.
kproc_fields kinfo_fields(const kinfo_proc &kp);

// The page size, in which the record gives the resident size.
long page_bytes();
