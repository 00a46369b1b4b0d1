// The widgets of the start-up that exist so far, on a test screen, with
// sessions from the fake backend.
#pragma once

#include <string>
#include <vector>

#include "bars/bars.h"
#include "core/loop.h"
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
        auto r = static_cast<std::uint32_t>(rows), c = static_cast<std::uint32_t>(cols);
        info = scr_create(0, 0, 1, c - 1, 1, c - 1, "info", 3);
        info->flags = W_FIXED;
        mwin_msg_on(info);
        info_reg(info);
        help = scr_create(r - 1, 0, r - 1, c - 1, r - 1, c - 1, "help", 1);
        help->flags = W_FIXED;
        mwin_msg_on(help);
        hlp_reg(help);
        ulist = scr_create(3, 0, r - 2, c - 1, 0, c - 1, "ulist", 3);
        ulist->crsr = 0;
        ulist_reg(ulist);
        ptree = scr_create(3, 0, r - 2, c - 1, 0, c - 1, "ptree", 3);
        ptree->crsr = 0;
        ptree_reg(ptree);
        exti = scr_create((r - 1) / 4, (c - 1) / 5, (r - 1) - (r - 1) / 4, (c - 1) - (c - 1) / 5, 0, 128, "exti", 8);
        exti_reg(exti);
        input = scr_create(r - 1, 0, r - 1, c - 1, 0, 0, "input", 9);
        input->flags = W_FIXED;
        mwin_msg_on(input);
        input_reg(input);
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

    void tick()
    {
        pass_periodic();
        pass_redraw_all();
        pass_refresh();
    }

    // Keys as the loop hands them out, with the dirty redraw after each.
    void keys(const std::vector<int> &ks)
    {
        for (int k : ks) {
            dispatch_key(k);
            pass_redraw_dirty();
            pass_refresh();
        }
    }

    // What the terminal would show on a row, after the refresh pass.
    static std::string terminal_row(int row)
    {
        return pad_text(newscr, row);
    }
};
