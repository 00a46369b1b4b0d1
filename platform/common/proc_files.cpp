#include "platform/common/proc_files.h"

int file_uses(int kernel_uflags)
{
    int uses = 0;
    if (kernel_uflags & KFILE_RDIR)
        uses |= PF_RDIR;
    if (kernel_uflags & KFILE_CDIR)
        uses |= PF_CDIR;
    if (kernel_uflags & KFILE_TEXT)
        uses |= PF_TEXT;
    return uses;
}

plat_file file_entry(int fd, int type, int kernel_uflags, const char *path)
{
    plat_file f;
    // Entries that are not descriptors (root, working directory, text) come
    // with -1; anything below that is no descriptor either.
    f.fd = fd < 0 ? -1 : fd;
    f.type = type;
    f.uflags = file_uses(kernel_uflags);
    if (path)
        f.path = path;
    return f;
}
