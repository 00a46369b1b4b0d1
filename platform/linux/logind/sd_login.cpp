#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <systemd/sd-login.h>
#include <unistd.h>

#include "platform/linux/logind.h"
#include "platform/linux/sys_text.h"

namespace {

struct freer {
    void operator()(void *p) const { std::free(p); }
};

// A text the library hands out, or "" when it has none.
std::string text_of(int (*get)(const char *, char **), const char *id)
{
    char *v = nullptr;
    if (get(id, &v) < 0 || !v)
        return {};
    std::unique_ptr<char, freer> owned(v);
    return v;
}

// logind's own directory of session state; the library reads it too.
constexpr const char *sessions_dir = "/run/systemd/sessions";

// The session's leader, its login process. The library has the call from
// libsystemd 254 on; before it (Debian 12 has 252) the session's state file
// is read for its one key LEADER=, which is what that call does.
int session_leader(const char *id)
{
#if VIGIL_HAVE_SD_SESSION_GET_LEADER
    pid_t pid = 0;
    return sd_session_get_leader(id, &pid) >= 0 ? pid : 0;
#else
    static std::string buf;
    std::string_view text;
    if (!read_regular((std::string(sessions_dir) + "/" + id).c_str(), buf, text, 1 << 16))
        return 0;
    for (std::string_view line; next_line(text, line);) {
        int pid = 0;
        if (line.starts_with("LEADER=") && whole_num(line.substr(7), pid))
            return pid;
    }
    return 0;
#endif
}

// Session ids are numbers that grow as logins come ("c1" for some): by
// length, then as text, they come in the order the logins began.
bool earlier(const std::string &a, const std::string &b)
{
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

} // namespace

// A login is a user's session, open or in front ("online", "active"; a
// "closing" one has ended) on a terminal line or, without one, an X
// display, as display managers record theirs in the login file. The rest
// (an ssh command without a terminal, a user's service manager) are not
// in a login file either.
bool logind_logins(std::vector<plat_login> &out)
{
    out.clear();
    // Without logind's directory there is no login source at all, which
    // the library would answer as no sessions.
    if (access(sessions_dir, F_OK) != 0)
        return false;
    char **ids = nullptr;
    int n = sd_get_sessions(&ids);
    if (n < 0)
        return false;
    std::vector<std::string> sessions;
    for (int i = 0; i < n; ++i) {
        sessions.emplace_back(ids[i]);
        std::free(ids[i]);
    }
    std::free(ids);
    std::sort(sessions.begin(), sessions.end(), earlier);

    for (const std::string &s : sessions) {
        const char *id = s.c_str();
        std::string state = text_of(sd_session_get_state, id);
        uid_t uid;
        if (text_of(sd_session_get_class, id) != "user" || (state != "online" && state != "active") ||
            sd_session_get_uid(id, &uid) < 0)
            continue;
        plat_login e;
        e.line = text_of(sd_session_get_tty, id);
        if (e.line.empty())
            e.line = text_of(sd_session_get_display, id);
        e.pid = session_leader(id);
        if (e.line.empty() || e.pid <= 0)
            continue;
        // The library of Debian 12 has no call for the name: the password
        // database has it, as for every other uid vigil names.
        if (!plat_user_name(uid, e.user))
            e.user = std::to_string(uid);
        e.host = text_of(sd_session_get_remote_host, id);
        out.push_back(std::move(e));
    }
    return true;
}
