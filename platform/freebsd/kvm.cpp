#include <climits>
#include <paths.h>

#include "platform/freebsd/kvm_ptr.h"

// With /dev/null for memory, as ps and w open it, the library asks the
// running kernel and needs no privilege: root does not hold /dev/mem and
// /dev/kmem open, and every user gets a handle. The error buffer keeps the
// library's complaint off the screen, where kvm_open would print it.
kvm_t *live_kvm()
{
    static kvm_ptr kd;
    if (!kd) {
        char err[_POSIX2_LINE_MAX];
        kd.reset(kvm_openfiles(nullptr, _PATH_DEVNULL, nullptr, O_RDONLY, err));
    }
    return kd.get();
}
