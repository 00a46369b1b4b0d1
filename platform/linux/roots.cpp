#include "platform/platform.h"

plat_roots plat_root;
