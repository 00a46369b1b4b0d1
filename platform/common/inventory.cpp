#include "platform/common/inventory.h"

bool disk_class(std::string_view class_name)
{
    return class_name == "DISK" || class_name == "PART";
}

bool device_attached(int state)
{
    return state >= KDEV_ATTACHED;
}

bool driver_named(const char *drivername)
{
    return drivername && drivername[0] != '\0';
}
