#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/screen/test_screen.h"

namespace {

std::vector<std::string> heard;

// Answers cur_hlp with its datum; every widget notes that it was asked.
void *echo_help(widget *w, int type, widget *, void *datum)
{
    heard.push_back(w->label);
    return type == cur_hlp ? datum : nullptr;
}

void *silent(widget *w, int, widget *, void *)
{
    heard.push_back(w->label);
    return nullptr;
}

TEST(Messages, OfferedOldestFirstSkippingTheSenderUntilOneAnswers)
{
    test_screen_init(24, 80);
    const char *labels[] = {"info", "help", "ulist", "ptree", "exti", "input"};
    widget *w[6];
    for (int i = 0; i < 6; ++i) {
        w[i] = scr_create(0, 0, 1, 79, 0, 0, labels[i], 3);
        mwin_msg_on(w[i]);
        w[i]->msgh = silent;
    }
    w[3]->msgh = echo_help;
    w[5]->msgh = echo_help;
    w[4]->msgh = nullptr; // a widget without a handler is skipped

    heard.clear();
    char text[] = "help text";
    EXPECT_EQ(wmsg_send(w[5], cur_hlp, text), text);
    EXPECT_EQ(heard, (std::vector<std::string>{"info", "help", "ulist", "ptree"}));

    // The answering widget never hears its own message; nobody else answers.
    heard.clear();
    EXPECT_EQ(wmsg_send(w[3], cur_hlp, text), text); // input, registered last, answers
    EXPECT_EQ(heard, (std::vector<std::string>{"info", "help", "ulist", "input"}));

    heard.clear();
    EXPECT_EQ(wmsg_send(w[5], cur_hlp, nullptr), nullptr); // a null answer goes on
    EXPECT_EQ(heard, (std::vector<std::string>{"info", "help", "ulist", "ptree"}));

    heard.clear();
    EXPECT_EQ(wmsg_send(w[0], snd_info, text), nullptr);
    EXPECT_EQ(heard, (std::vector<std::string>{"help", "ulist", "ptree", "input"}));
}

} // namespace
