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

bool plat_user_by_name(const char *name, plat_passwd &out)
{
    const passwd *pw = name ? getpwnam(name) : nullptr;
    if (!pw || !pw->pw_name)
        return false;
    auto text = [](const char *s) { return std::string(s ? s : ""); };
    out.name = pw->pw_name;
    out.dir = text(pw->pw_dir);
    out.uid = pw->pw_uid;
    out.gid = pw->pw_gid;
    out.shell = text(pw->pw_shell);
    out.gecos = text(pw->pw_gecos);
    return true;
}
