// The screen as start-up composes it, on a test screen, with processes and
// sessions from the fake backend.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "bars/bars.h"
#include "core/startup.h"
#include "details/details.h"
#include "kbd/kbd.h"
#include "procs/procs.h"
#include "procs/ptree.h"
#include "procs/tree.h"
#include "tests/support/fake/fake_platform.h"
#include "tests/support/screen/test_screen.h"
#include "users/ulist.h"
#include "users/users.h"

struct bars_screen {
    widget *info, *help, *ulist, *ptree, *exti, *input;

    bars_screen(int rows, int cols)
    {
        fake_reset();
        owner_reset();
        exti_reset();
        tree_reset();
        can_use_kvm = kvm_init();
        test_screen_init(rows, cols);
        std::array<widget *, WIDGET_COUNT> w = create_widgets(rows, cols);
        info = w[INFO_W];
        help = w[HELP_W];
        ulist = w[ULIST_W];
        ptree = w[PTREE_W];
        exti = w[EXTI_W];
        input = w[INPUT_W];
    }

    // The session list, the tree and the window's "d" report outlive a
    // test: end every session, and close the tree as Enter does, the user
    // list taking the front and the "d" report back.
    ~bars_screen()
    {
        if (ptree->refresh) {
            ptree_keyh(ptree, KBD_ENTER);
            ulist_keyh(ulist, KBD_ENTER);
        }
        if (exti->refresh)
            exti_keyh(exti, KBD_ESC);
        fake_logins_clear();
        users_update(ulist);
    }

    // A login whose parent has the given name; its foreground command is cmd.
    static void login(int n, const std::string &user, const std::string &tty, const std::string &host,
                      const std::string &parent, const std::string &cmd = "-bash")
    {
        fake_process({.pid = 500 + n, .ppid = 1, .name = parent});
        fake_process({.pid = 100 + n, .ppid = 500 + n, .name = "login", .tpgid = 700 + n});
        fake_process({.pid = 700 + n, .ppid = 100 + n, .name = "fg", .cmdline = fake_argv({cmd})});
        fake_login(user, tty, host, 100 + n);
    }

    void tick() { screen_tick(); }
    void keys(const std::vector<int> &ks) { screen_keys(ks); }

    // What the terminal would show on a row, after the refresh pass.
    static std::string terminal_row(int row) { return pad_text(newscr, row); }
};
