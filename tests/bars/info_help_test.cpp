#include <gtest/gtest.h>

#include "core/loop.h"
#include "kbd/kbd.h"
#include "tests/support/screen/views_fixture.h"

namespace {

std::string rtrim(std::string s)
{
    return s.erase(s.find_last_not_of(' ') + 1);
}

TEST(InfoBar, CountsOnTheLeftLoadFlushRight)
{
    bars_screen s(24, 80);
    bars_screen::login(1, "alice", "pts/0", "a.example", "sshd");
    bars_screen::login(2, "bob", "tty1", "", "init");
    bars_screen::login(3, "carol", "pts/1", "c.example", "tmux: server");
    fake_load(0.5, 1.25, 2.5);
    users_init();
    s.tick();
    std::string row = bars_screen::terminal_row(0);
    EXPECT_EQ(rtrim(row.substr(0, 50)), "3 users: 1 local, 0 telnet, 1 ssh, 1 other");
    EXPECT_EQ(row.substr(80 - 22), "load: 0.50, 1.25, 2.50"); // ends in column 79
    EXPECT_EQ(PAIR_NUMBER(mvwinch(s.info->pad, 0, 0)), 1);
    EXPECT_EQ(PAIR_NUMBER(mvwinch(s.info->pad, 0, 79)), 3);

    fake_load_unavailable();
    s.tick();
    EXPECT_EQ(rtrim(bars_screen::terminal_row(0)), "3 users: 1 local, 0 telnet, 1 ssh, 1 other");

    // A narrow terminal keeps the load's right end on the last column.
    fake_load(0.5, 1.25, 2.5);
    resize_widgets(24, 12);
    s.tick();
    EXPECT_EQ(bars_screen::terminal_row(0), ", 1.25, 2.50");
    resize_widgets(24, 80);
}

TEST(InfoBar, StatusRowTextsAndClearing)
{
    bars_screen s(24, 80);
    s.tick();
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(wmsg_send(s.ulist, snd_info, const_cast<char *>("12 tasks, 1 running"))),
              1);
    EXPECT_EQ(rtrim(pad_text(s.info->pad, 1)), "12 tasks, 1 running");
    EXPECT_TRUE(pad_attrs(s.info->pad, 1, 0) & A_BOLD);
    // Drawn at once, before any refresh pass.
    EXPECT_EQ(rtrim(bars_screen::terminal_row(1)), "12 tasks, 1 running");

    // A shorter text leaves nothing of the one before: its tail would name
    // another process.
    wmsg_send(s.ulist, snd_info, const_cast<char *>("3 tasks   Signal 15 was sent to process 33"));
    wmsg_send(s.ulist, snd_info, const_cast<char *>("3 tasks   Signal 1 was sent to process 3"));
    EXPECT_EQ(rtrim(bars_screen::terminal_row(1)), "3 tasks   Signal 1 was sent to process 3");

    wmsg_send(s.ulist, snd_info, nullptr);
    EXPECT_EQ(rtrim(bars_screen::terminal_row(1)), "");

    wmsg_send(s.ulist, snd_info, const_cast<char *>("again"));
    s.tick(); // the tick erases the status row
    EXPECT_EQ(rtrim(bars_screen::terminal_row(1)), "");
}

TEST(HelpLine, ShowsTheLastTextOnTheLastRowAfterResizes)
{
    bars_screen s(24, 80);
    s.keys({KBD_ENTER, KBD_ENTER}); // the list hides and shows itself, with its help text
    EXPECT_EQ(rtrim(bars_screen::terminal_row(23)), ulist_help);
    EXPECT_EQ(PAIR_NUMBER(mvwinch(s.help->pad, 0, 0)), 1);

    const char *first = "first";
    const char *second = "\x02second";
    EXPECT_EQ(wmsg_send(s.ulist, cur_hlp, const_cast<char *>(first)), first);
    wmsg_send(s.ulist, cur_hlp, const_cast<char *>(second));
    s.keys({'x'});
    EXPECT_EQ(rtrim(bars_screen::terminal_row(23)), "second");
    EXPECT_EQ(PAIR_NUMBER(mvwinch(s.help->pad, 0, 0)), 2);

    resize_widgets(29, 80);
    EXPECT_EQ(rtrim(bars_screen::terminal_row(28)), "second");
    EXPECT_EQ(s.ulist->bottom, 27u); // the old help row now belongs to the list

    // A text wider than the terminal shows its first C characters.
    std::string wide(120, 'w');
    wide[0] = '\x01';
    wmsg_send(s.ulist, cur_hlp, wide.data());
    resize_widgets(29, 40);
    EXPECT_EQ(bars_screen::terminal_row(28), std::string(40, 'w'));
    resize_widgets(24, 80);

    // A null text is nobody's: the help line does not answer it.
    EXPECT_EQ(wmsg_send(s.ulist, cur_hlp, nullptr), nullptr);
}

} // namespace
