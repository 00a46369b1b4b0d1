#include "platform/common/proc_files.h"

int file_type(int kernel_type)
{
    switch (kernel_type) {
    case KFT_VNODE:
        return PF_VNODE;
    case KFT_SOCKET:
        return PF_SOCKET;
    case KFT_PIPE:
        return PF_PIPE;
    case KFT_FIFO:
        return PF_FIFO;
    case KFT_KQUEUE:
        return PF_KQUEUE;
    case KFT_SHM:
        return PF_SHM;
    default:
        return PF_OTHER;
    }
}

plat_file file_entry(int kernel_fd, int kernel_type, std::string_view path)
{
    plat_file f;
    f.fd = kernel_fd < 0 ? -1 : kernel_fd;
    f.type = file_type(kernel_type);
    switch (kernel_fd) {
    case KFD_ROOT:
        f.uflags = PF_RDIR;
        break;
    case KFD_CWD:
        f.uflags = PF_CDIR;
        break;
    case KFD_TEXT:
        f.uflags = PF_TEXT;
        break;
    default:
        break;
    }
    f.path = path;
    return f;
}
