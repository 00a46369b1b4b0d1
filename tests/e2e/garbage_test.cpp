// No input confuses vigil: after random bytes, overlong and unfinished
// escape sequences, mouse and terminal reports and broken UTF-8, it still
// draws, still quits on "q" and still restores the terminal.
#include <random>
#include <string>
#include <string_view>

#include "tests/support/term/pty_term.h"
#include "tests/support/term/vigil_screen.h"

namespace {

// Bytes left out of the random part: the quit keys (a lone ESC quits too),
// what the terminal turns into signals or flow control (^C ^\ ^Z ^S ^Q), the
// search line's "/" that would swallow "q", and whatever opens the process
// tree (CR, LF, "t", the SS3 byte before "M"), whose Ctrl+K, Ctrl+T and
// Ctrl+U would signal real processes of this machine.
constexpr std::string_view unsafe_bytes("q\x1b\x03\x1c\x1a\x13\x11/\r\nt\x0b\x14\x15\x8f\x8d", 16);

std::string random_bytes(std::mt19937 &rng, int n)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out;
    while (static_cast<int>(out.size()) < n) {
        char c = static_cast<char>(byte(rng));
        if (unsafe_bytes.find(c) == std::string_view::npos)
            out += c;
    }
    return out;
}

std::string digits_and_semicolons(std::mt19937 &rng, int n)
{
    static constexpr std::string_view pool = "0123456789;";
    std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
    std::string out;
    for (int i = 0; i < n; ++i)
        out += pool[pick(rng)];
    return out;
}

TEST(Garbage, InputThatMeansNothingLeavesVigilWorking)
{
    std::mt19937 rng(1234567);
    const std::string sequences[] = {
        "\x1b[" + digits_and_semicolons(rng, 100),
        "\x1b[" + digits_and_semicolons(rng, 100) + "A",
        "\x1b[1;2",
        "\x1b[?",
        "\x1b[[",
        std::string("\x1b[;;;;;;;;;;;;;;;;;;;;A"),
        "\x1b[4294967296;4294967297~",
        "\x1b[99999999999999999999z",
        std::string("\x1b[M !!", 6),
        std::string("\x1b[M\xff\xff\xff", 6),
        std::string("\x1b[M\x00\x00\x00", 6),
        "\x1b[<0;10;5M",
        "\x1b[<64;300;200m",
        "\x1b[24;80R",
        "\x1b[?1;2c",
        "\x1b[8;24;80t",
        "\x1b\x1b[A",
        "\x1bO5P",
        "\x1b[5;5~",
        "\x1b[3$",
        "\x9b"
        "2~",
        "\x9b"
        "123456789;",
        "\xc3\x28",
        "\xa0\xa1",
        "\xe2\x28\xa1",
        "\xf0\x28\x8c\xbc",
        "\xff\xfe\xfd",
        "\xed\xa0\x80",
        "\xc0\xaf",
        "\xf4\x90\x80\x80",
    };
    std::uniform_int_distribution<std::size_t> pick(0, std::size(sequences) - 1);
    std::uniform_int_distribution<int> length(1, 40);

    pty_term t;
    ASSERT_TRUE(t.wait_for(vigil_drawn));
    for (int i = 0; i < 150; ++i) {
        t.send(random_bytes(rng, length(rng)));
        t.send(sequences[pick(rng)]);
    }
    // Ends in the middle of a sequence, which the key reader must give up
    // before the "q" below comes, or the "q" would end the sequence. It
    // gives up 50 ms after it read the last byte: waiting until vigil has
    // read everything and then half a second more leaves room for a busy
    // machine.
    t.send("\x1b[12;");
    ASSERT_TRUE(t.wait_for([](const pty_term &s) { return s.unread_input() == 0; }));
    ASSERT_TRUE(t.settle(500ms));
    ASSERT_FALSE(t.exited()) << "ended with " << t.wait_exit();
    EXPECT_TRUE(t.wait_for(vigil_drawn));

    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_EQ(t.modes_now(), t.modes_before());
    EXPECT_FALSE(t.alt_screen());
}

} // namespace
