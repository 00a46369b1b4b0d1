#include "platform/platform.h"

// Only the proc root means anything here: the owner of a process is looked
// up under it when procfs is mounted there.
plat_roots plat_root;
