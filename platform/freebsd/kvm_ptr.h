// An owner for a kernel-memory library handle.
#pragma once

#include <fcntl.h>
#include <kvm.h>
#include <memory>

struct kvm_closer {
    void operator()(kvm_t *kd) const { kvm_close(kd); }
};
using kvm_ptr = std::unique_ptr<kvm_t, kvm_closer>;
