// The account of the user under the user list's bar.
#include "core/text.h"
#include "details/details.h"
#include "platform/platform.h"

void euser(void *name)
{
    plgn_out_start();
    if (!name) {
        println("Invalid user");
        return;
    }
    plat_passwd pw;
    if (!plat_user_by_name(static_cast<const char *>(name), pw)) {
        println("Error - user not found.");
        return;
    }
    // The account's texts are written by whoever made the account.
    title("NAME: ");
    println("%s\n", disp_clean(pw.name).c_str());
    title("HOME: ");
    println("%s\n", disp_clean(pw.dir).c_str());
    title("UID: ");
    println("%d\n", static_cast<int>(pw.uid));
    title("GID: ");
    println("%d\n", static_cast<int>(pw.gid));
    title("SHELL: ");
    println("%s\n", disp_clean(pw.shell).c_str());
    title("GECOS: ");
    println("%s\n", disp_clean(pw.gecos).c_str());
}
