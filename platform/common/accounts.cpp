#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#include <vector>

#include "platform/platform.h"

// The password database is POSIX on every system vigil is built for.
bool plat_user_name(std::uint32_t uid, std::string &name)
{
    const passwd *pw = getpwuid(static_cast<uid_t>(uid));
    if (!pw || !pw->pw_name)
        return false;
    name = pw->pw_name;
    return true;
}

// The reentrant lookup, so that the entry is ours to copy whatever else
// asks the password database meanwhile. Its buffer grows while the entry
// does not fit (a long GECOS field, say), up to a bound no sane entry nears.
bool plat_user_by_name(const char *name, plat_passwd &out)
{
    if (!name)
        return false;
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
    passwd pw;
    passwd *found = nullptr;
    int err;
    while ((err = getpwnam_r(name, &pw, buf.data(), buf.size(), &found)) == ERANGE && buf.size() < (1u << 20))
        buf.resize(buf.size() * 2);
    if (err != 0 || !found)
        return false;
    out.name = pw.pw_name ? pw.pw_name : "";
    out.dir = pw.pw_dir ? pw.pw_dir : "";
    out.uid = pw.pw_uid;
    out.gid = pw.pw_gid;
    out.shell = pw.pw_shell ? pw.pw_shell : "";
    out.gecos = pw.pw_gecos ? pw.pw_gecos : "";
    return true;
}
