#include <fcntl.h>

#include "platform/linux/file_read.h"
#include "platform/platform.h"

long plat_cmdline(int pid, char *buf, std::size_t len)
{
    return read_pid_file(pid, "/cmdline", buf, len);
}

// Argument vectors are files of the process file system: readable where
// it is mounted.
bool plat_can_read_cmdlines()
{
    return unique_fd(open(plat_root.proc.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)).fd >= 0;
}
