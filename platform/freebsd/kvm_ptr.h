// An owner for a kernel-memory library handle, and the one handle of the
// run.
#pragma once

#include <fcntl.h>
#include <kvm.h>
#include <memory>

struct kvm_closer {
    void operator()(kvm_t *kd) const { kvm_close(kd); }
};
using kvm_ptr = std::unique_ptr<kvm_t, kvm_closer>;

// The handle on the running kernel that argument vectors and swap totals
// are read through, opened on first use and kept for the run; null when it
// cannot be opened, and tried again on the next call.
kvm_t *live_kvm();
