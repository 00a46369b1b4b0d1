// getkey call by call: what each call returns and which reads it makes.
#include "tests/kbd/kbd_script.h"

#include <fcntl.h>
#include <unistd.h>

using namespace kbd_script;

using KbdCalls = fixture;

namespace {

struct call {
    int key;
    std::size_t reads; // reads made so far, after this call
};

void expect_calls(const std::vector<call> &calls)
{
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i + 1));
        EXPECT_EQ(getkey(), calls[i].key);
        EXPECT_EQ(asked.size(), calls[i].reads);
    }
}

} // namespace

TEST_F(KbdCalls, KeysOfOneReadComeOnePerCall)
{
    steps = {bytes("ab")};
    expect_calls({{'a', 1}, {'b', 1}, {KBD_NONE, 2}});
    EXPECT_EQ(asked, (std::vector<std::size_t>{20, 20}));
}

TEST_F(KbdCalls, LoneEscapeWaitsForTheNextRead)
{
    struct {
        step next;
        std::vector<call> calls;
    } cases[] = {
        {nothing(), {{KBD_MORE, 1}, {KBD_ESC, 2}, {KBD_NONE, 3}}},
        {bytes("x"), {{KBD_MORE, 1}, {0x2078, 2}, {KBD_NONE, 3}}},
        {end_of_input(), {{KBD_MORE, 1}, {KBD_ESC, 2}, {KBD_EOF, 3}}},
        {dead(EIO), {{KBD_MORE, 1}, {KBD_ESC, 2}, {KBD_EOF, 3}}},
    };
    for (auto &c : cases) {
        start();
        steps = {bytes("\033"), c.next};
        expect_calls(c.calls);
    }
}

TEST_F(KbdCalls, ThirdEscapeStaysBuffered)
{
    steps = {bytes("\033\033\033")};
    expect_calls({{0x2103, 1}, {KBD_MORE, 1}, {KBD_ESC, 2}});
    // the second read only asks for what the held ESC leaves free
    EXPECT_EQ(asked, (std::vector<std::size_t>{20, 19}));
}

TEST_F(KbdCalls, SequenceMeaningNothingReadsAgainInTheSameCall)
{
    steps = {bytes("\033[0~")};
    expect_calls({{KBD_NONE, 2}});
    start();
    steps = {bytes("\033[0~"), bytes("x")};
    expect_calls({{'x', 2}});
    start();
    steps = {bytes("\033[0~q")};
    expect_calls({{'q', 1}});
}

TEST_F(KbdCalls, SplitSequenceAsksForMore)
{
    steps = {bytes("\033["), bytes("3"), bytes("~")};
    expect_calls({{KBD_MORE, 1}, {KBD_MORE, 2}, {KBD_DEL, 3}});
    EXPECT_EQ(asked, (std::vector<std::size_t>{20, 18, 17}));
}

TEST_F(KbdCalls, ReadResultsWithNothingBuffered)
{
    struct {
        step result;
        int key;
    } cases[] = {
        {end_of_input(), KBD_EOF},  {nothing(EAGAIN), KBD_NONE}, {nothing(EWOULDBLOCK), KBD_NONE},
        {nothing(EINTR), KBD_NONE}, {dead(EIO), KBD_EOF},        {dead(EBADF), KBD_EOF},
    };
    for (auto &c : cases) {
        start();
        steps = {c.result};
        EXPECT_EQ(getkey(), c.key) << "errno " << c.result.err;
    }
}

// Eighteen parameter bytes after ESC [ fill the buffer: the sequence is
// given up, and its bytes come back one per call before anything else is
// read.
TEST_F(KbdCalls, FullBufferGivesUpTheSequence)
{
    const std::string params = "12;3;45;6;78;9;0;1";
    ASSERT_EQ(params.size(), 18u);
    steps = {bytes("\033[" + params + "AB")};
    std::vector<call> calls = {{KBD_MORE, 1}, {0x205B, 1}};
    for (char ch : params)
        calls.push_back({ch, 1});
    calls.push_back({'A', 2});
    calls.push_back({'B', 2});
    expect_calls(calls);
    EXPECT_EQ(asked, (std::vector<std::size_t>{20, 20}));
}

TEST_F(KbdCalls, ResetForgetsSequenceAndBackspace)
{
    steps = {bytes("\033")};
    EXPECT_EQ(getkey(), KBD_MORE);
    kbd_reset();
    steps = {bytes("x")};
    EXPECT_EQ(getkey(), 'x');

    steps = {bytes("\b\x7f")};
    EXPECT_EQ(getkey(), KBD_BS);
    EXPECT_EQ(getkey(), KBD_DEL);
    kbd_reset();
    steps = {bytes("\x7f")};
    EXPECT_EQ(getkey(), KBD_BS);
}

// Without a reader of its own getkey reads file descriptor 0.
TEST_F(KbdCalls, DefaultReaderIsStandardInput)
{
    int saved = dup(0);
    int p[2];
    ASSERT_GE(saved, 0);
    ASSERT_EQ(pipe(p), 0);
    ASSERT_EQ(dup2(p[0], 0), 0);
    close(p[0]);
    fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
    kbd_set_reader(nullptr);

    ASSERT_EQ(write(p[1], "q\033[A", 4), 4);
    EXPECT_EQ(getkey(), 'q');
    EXPECT_EQ(getkey(), KBD_UP);
    EXPECT_EQ(getkey(), KBD_NONE); // would block
    close(p[1]);
    EXPECT_EQ(getkey(), KBD_EOF);
    close(0);
    EXPECT_EQ(getkey(), KBD_EOF); // EBADF: no terminal at all

    dup2(saved, 0);
    close(saved);
}
