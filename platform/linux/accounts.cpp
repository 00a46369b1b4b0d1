#include <pwd.h>

#include "platform/platform.h"

bool plat_user_name(std::uint32_t uid, std::string &name)
{
    const passwd *pw = getpwuid(static_cast<uid_t>(uid));
    if (!pw || !pw->pw_name)
        return false;
    name = pw->pw_name;
    return true;
}
