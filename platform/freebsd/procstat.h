// Owners for what the procstat library hands out. Each goes back to the
// library through its own release call; declared in the order they are
// made, they are released in the reverse order, the handle last.
#pragma once

#include <sys/param.h>
#include <sys/queue.h>
#include <sys/socket.h>
#include <sys/sysctl.h>
#include <sys/user.h>

#include <libprocstat.h>
#include <memory>

struct procstat_closer {
    void operator()(procstat *ps) const { procstat_close(ps); }
};
using procstat_ptr = std::unique_ptr<procstat, procstat_closer>;

struct procstat_procs_free {
    procstat *ps;
    void operator()(kinfo_proc *kp) const { procstat_freeprocs(ps, kp); }
};
using procstat_procs_ptr = std::unique_ptr<kinfo_proc, procstat_procs_free>;

struct procstat_files_free {
    procstat *ps;
    void operator()(filestat_list *files) const { procstat_freefiles(ps, files); }
};
using procstat_files_ptr = std::unique_ptr<filestat_list, procstat_files_free>;
