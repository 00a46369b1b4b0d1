// Which parts of the system's inventory the lists keep.
#pragma once

#include <string_view>

// The disk-topology classes whose providers are whole disks or their
// partitions; labels, mirrors and the like are other views of the same.
bool disk_class(std::string_view class_name);

// A device tree state, with the kernel's numbering: a device attached to a
// driver, or busy, counts as attached; one that is only present or probed
// does not.
constexpr int KDEV_ATTACHED = 30;
bool device_attached(int state);

// Whether a device tree entry names a driver: the library always hands out
// a text, and an empty one for a device no driver has taken.
bool driver_named(const char *drivername);
