#include <gtest/gtest.h>

#include "core/loop.h"
#include "kbd/kbd.h"
#include "tests/support/screen/views_fixture.h"

namespace {

std::string rtrim(std::string s)
{
    return s.erase(s.find_last_not_of(' ') + 1);
}

// Asks the list as the search line does; without a pattern being
// searched for, only the answers that need no match can be asked for.
void *search(widget *w, int mode)
{
    return ulist_msgh(w, snd_search, nullptr, reinterpret_cast<void *>(std::intptr_t{mode}));
}

TEST(UserList, LinesAreCutAndPaddedIntoColumns)
{
    bars_screen s(24, 200);
    bars_screen::login(0, "averyveryverylongname", "pts/100", "a-host-name-longer-than-nineteen.example",
                       "sshd-session", "vim notes.txt");
    bars_screen::login(1, "bo", "tty1", "", "init", "top -d 1");
    users_init();
    s.tick();
    EXPECT_EQ(rtrim(pad_text(s.ulist->pad, 0)), "sshd-session   averyvery pts/10 a-host-name-longer- vim notes.txt");
    EXPECT_EQ(rtrim(pad_text(s.ulist->pad, 1)), "init           bo        tty1                       top -d 1");
    EXPECT_TRUE(pad_attrs(s.ulist->pad, 1, 0) & A_BOLD);
    EXPECT_TRUE(pad_attrs(s.ulist->pad, 0, 0) & A_REVERSE); // the bar on the first line
    EXPECT_EQ(rtrim(bars_screen::terminal_row(3)).substr(0, 12), "sshd-session");
}

TEST(UserList, EnterAndTHandTheRectangleOver)
{
    bars_screen s(24, 80);
    bars_screen::login(0, "alice", "pts/0", "h", "sshd");
    bars_screen::login(1, "bob", "pts/1", "h", "sshd");
    users_init();
    s.tick();
    s.keys({KBD_DOWN});
    EXPECT_EQ(*static_cast<int *>(wmsg_send(s.info, want_upid, nullptr)), 101);
    EXPECT_STREQ(static_cast<char *>(wmsg_send(s.info, want_crsr_val, nullptr)), "bob");

    EXPECT_EQ(ulist_keyh(s.ulist, 't'), 1); // hides
    EXPECT_EQ(s.ulist->refresh, nullptr);
    EXPECT_EQ(ulist_keyh(s.ulist, 't'), 1); // hidden: 't' does not bring it back
    EXPECT_EQ(s.ulist->refresh, nullptr);
    EXPECT_EQ(ulist_keyh(s.ulist, KBD_DOWN), 0);
    EXPECT_EQ(ulist_keyh(s.ulist, 'x'), 0);
    // Hidden, it still tells which login is selected, and nothing else.
    EXPECT_EQ(*static_cast<int *>(wmsg_send(s.info, want_upid, nullptr)), 101);
    EXPECT_EQ(ulist_msgh(s.ulist, want_crsr_val, s.info, nullptr), nullptr);
    EXPECT_EQ(search(s.ulist, SEARCH_ANY), nullptr);

    wmsg_send(s.ulist, cur_hlp, const_cast<char *>("tree help"));
    EXPECT_EQ(ulist_keyh(s.ulist, KBD_ENTER), 1); // shown again, with its help
    pass_redraw_dirty();
    pass_refresh();
    EXPECT_EQ(s.ulist->crsr, 1); // the bar on the same session
    EXPECT_EQ(rtrim(bars_screen::terminal_row(23)), ulist_help);
    EXPECT_EQ(rtrim(bars_screen::terminal_row(4)).substr(0, 4), "sshd");
    EXPECT_TRUE(pad_attrs(s.ulist->pad, 1, 0) & A_REVERSE);

    EXPECT_EQ(ulist_keyh(s.ulist, KBD_INS), 0); // not a navigation key
    EXPECT_EQ(ulist_keyh(s.ulist, 'x'), 0);
}

TEST(UserList, SearchModesOnFiveSessions)
{
    bars_screen s(24, 80);
    for (int i = 0; i < 5; ++i)
        bars_screen::login(i, i == 0 || i >= 3 ? "match" : "other", "pts/" + std::to_string(i), "h", "sshd");
    users_init();
    s.tick();
    s.keys({KBD_DOWN});
    ASSERT_EQ(s.ulist->crsr, 1);
    ASSERT_EQ(input_keyh(s.input, '/'), 2);
    for (char c : std::string("match"))
        input_keyh(s.input, c); // typing searches with mode 1 from line 1
    EXPECT_EQ(s.ulist->crsr, 3);
    s.keys({KBD_UP, KBD_UP}); // the line is open: arrows still reach the list
    ASSERT_EQ(s.ulist->crsr, 1);
    input_keyh(s.input, KBD_ENTER); // mode 0: after the bar
    EXPECT_EQ(s.ulist->crsr, 3);
    s.keys({KBD_DOWN});
    input_keyh(s.input, KBD_ENTER); // nothing after line 4: mode 2 finds line 0
    EXPECT_EQ(s.ulist->crsr, 0);
}

TEST(UserList, EmptyListHasNoBarAndAnswersNothing)
{
    bars_screen s(24, 80);
    users_init();
    s.tick();
    EXPECT_EQ(s.ulist->crsr, -1);
    EXPECT_EQ(wmsg_send(s.info, want_upid, nullptr), nullptr);
    EXPECT_STREQ(static_cast<char *>(wmsg_send(s.info, want_crsr_val, nullptr)), "No user found");
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(search(s.ulist, SEARCH_ANY)), 2);

    // Sessions that arrive later do not bring the bar back by themselves.
    bars_screen::login(0, "alice", "pts/0", "h", "sshd");
    s.tick();
    EXPECT_EQ(rtrim(pad_text(s.ulist->pad, 0)).substr(15, 5), "alice");
    EXPECT_EQ(s.ulist->crsr, -1);
}

TEST(UserList, SessionsComeAndGoBetweenTicks)
{
    bars_screen s(24, 80);
    for (int i = 0; i < 5; ++i)
        bars_screen::login(i, "u" + std::to_string(i), "pts/" + std::to_string(i), "h", "sshd");
    users_init();
    s.tick();
    s.keys({KBD_END});
    ASSERT_EQ(s.ulist->crsr, 4);

    fake_process_gone(102); // the login on line 2 ends
    s.tick();
    EXPECT_EQ(s.ulist->crsr, 3); // the bar follows u4 up
    EXPECT_EQ(rtrim(pad_text(s.ulist->pad, 2)).substr(15, 2), "u3");
    EXPECT_EQ(rtrim(pad_text(s.ulist->pad, 4)), "");

    bars_screen::login(9, "new", "pts/9", "h", "sshd");
    s.tick();
    EXPECT_EQ(rtrim(pad_text(s.ulist->pad, 4)).substr(15, 3), "new");
    // The info bar's periodic handler runs before the list's, but its
    // counts are drawn after: they agree with the list in the same tick.
    EXPECT_EQ(rtrim(bars_screen::terminal_row(0)).substr(0, 9), "5 users: ");
}

TEST(UserList, EverySessionIsReachableAndThePadHoldsOnlyTheView)
{
    bars_screen s(24, 80);
    for (int i = 0; i < 300; ++i)
        bars_screen::login(i, "u" + std::to_string(i), "t" + std::to_string(i), "h", "sshd");
    users_init();
    s.tick();
    s.keys({KBD_END}); // the last page, the bar keeping its place in the view
    EXPECT_EQ(s.ulist->crsr, 280);
    s.keys({KBD_END});
    EXPECT_EQ(s.ulist->crsr, 299);
    EXPECT_EQ(s.ulist->first_row, 299u - 19u);
    EXPECT_EQ(getmaxy(s.ulist->pad), 21); // the view's 20 rows and a spare
    EXPECT_EQ(rtrim(pad_text(s.ulist->pad, 19)).substr(15, 4), "u299");
    EXPECT_EQ(rtrim(bars_screen::terminal_row(22)).substr(15, 4), "u299");
    EXPECT_EQ(rtrim(bars_screen::terminal_row(3)).substr(15, 4), "u280");
}

} // namespace
