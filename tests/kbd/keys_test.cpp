// What each byte sequence decodes to, one table per family. Every row is
// also fed cut into reads in every way, and must give the same keys.
#include "tests/kbd/kbd_script.h"

using namespace kbd_script;

using KbdKeys = fixture;

TEST_F(KbdKeys, PlainAndControlBytes)
{
    expect_rows({
        {"q", {113}},
        {"SP", {32}},
        {"~", {126}},
        {"^A", {0x4041}},
        {"^@", {0x4040}},
        {"^_", {0x405F}},
        {"^Z", {0x405A}},
        {"CR", {256}},
        {"LF", {0x1100}},
        {"TAB", {258}},
        {"BS", {257}},
        {"0xA0", {160}},
        {"0xE9", {233}},
        {"0xFF", {255}},
        {"a b ^C", {'a', 'b', 0x4043}},
    });
}

// 0x7F is Backspace until a ^H shows up, then Delete, until a key of the
// CSI n ~ family resets it. Each row starts with nothing seen.
TEST_F(KbdKeys, BackspaceAndDelete)
{
    expect_rows({
        {"DEL", {KBD_BS}},
        {"BS DEL DEL", {KBD_BS, KBD_DEL, KBD_DEL}},
        {"BS DEL ESC [ 3 ~ DEL", {KBD_BS, KBD_DEL, KBD_DEL, KBD_BS}},
        {"BS ESC [ 2 ~ DEL", {KBD_BS, KBD_INS, KBD_BS}},
        {"BS ESC [ 3 $ DEL", {KBD_BS, 0x1109, KBD_BS}},
        {"BS ESC [ 3 ; 5 ~ DEL", {KBD_BS, 0x4109, KBD_BS}},
        {"BS ESC [ 3 z DEL", {KBD_BS, KBD_DEL, KBD_DEL}},
        {"BS ESC [ 0 ~ DEL", {KBD_BS, KBD_DEL}},
        {"BS ESC [ ~ DEL", {KBD_BS, KBD_CSI_TILDE, KBD_DEL}},
        {"0x88 DEL", {0x2101, KBD_DEL}},
        {"ESC BS DEL", {0x2101, KBD_DEL}},
        {"ESC DEL", {0x2101}},
        {"BS ESC DEL", {KBD_BS, 0x2109}},
        {"0x88 ESC DEL", {0x2101, 0x2109}},
    });
}

TEST_F(KbdKeys, C1Bytes)
{
    expect_rows({
        {"0x88", {0x2101}},
        {"0x89", {0x2102}},
        {"0x8A", {0x3100}},
        {"0x8D", {0x2100}},
        {"0x85", {}},
        {"0x80", {}},
        {"0x9F", {}},
        {"0x85 x", {'x'}},
        {"CSI A", {KBD_UP}},
        {"SS3 A", {KBD_UP}},
        {"CSI 5 ~", {KBD_PGUP}},
    });
}

TEST_F(KbdKeys, EscapeAndMeta)
{
    expect_rows({
        {"ESC x", {0x2078}},
        {"ESC SP", {0x2020}},
        {"ESC ~", {0x207E}},
        {"ESC 0xE9", {0x20E9}},
        {"ESC TAB", {0x2102}},
        {"ESC CR", {0x2100}},
        {"ESC LF", {0x3100}},
        {"ESC ^A", {}},
        {"ESC ^A x", {'x'}},
        {"ESC 0x85", {}},
        {"ESC 0x9B", {}},
        {"ESC ESC x", {0x2078}},
        {"ESC ESC BS", {0x2101}},
        {"ESC ESC [ A", {0x2106}},
        {"ESC ESC O P", {0x2120}},
        {"ESC ESC [ 5 A", {0x6106}},
        {"ESC ESC [ 3 ~", {0x2109}},
        {"ESC ESC ESC", {0x2103, KBD_ESC}},
        {"ESC ESC ESC x", {0x2103, 0x2078}},
        {"ESC ESC", {0x2103}},
        {"ESC", {KBD_ESC}},
    });
}

TEST_F(KbdKeys, CsiLetterFinals)
{
    expect_rows({
        {"ESC [ A", {KBD_UP}},
        {"ESC [ B", {KBD_DOWN}},
        {"ESC [ C", {KBD_RIGHT}},
        {"ESC [ D", {KBD_LEFT}},
        {"ESC [ @", {KBD_INS}},
        {"ESC [ L", {KBD_INS}},
        {"ESC [ K", {KBD_DEL}},
        {"ESC [ E", {KBD_CENTER}},
        {"ESC [ F", {KBD_END}},
        {"ESC [ G", {KBD_PGDN}},
        {"ESC [ H", {KBD_HOME}},
        {"ESC [ Y", {KBD_HOME}},
        {"ESC [ I", {KBD_PGUP}},
        {"ESC [ J", {273}},
        {"ESC [ }", {275}},
        {"ESC [ ~", {274}},
        {"ESC [ N", {KBD_F(2)}},
        {"ESC [ R", {293}},
        {"ESC [ X", {KBD_F(12)}},
        {"ESC [ Z", {0x1102}},
        {"ESC [ a", {0x1106}},
        {"ESC [ d", {0x1104}},
        // the modifier is the first parameter for a letter final
        {"ESC [ 5 A", {0x4106}},
        {"ESC [ 2 A", {0x1106}},
        {"ESC [ 3 D", {0x2104}},
        {"ESC [ 8 C", {0x7105}},
        {"ESC [ 9 A", {KBD_UP}},
        {"ESC [ 1 0 A", {0x1106}},
        {"ESC [ 1 ; 5 A", {KBD_UP}},
        {"ESC [ ; 5 A", {KBD_UP}},
        {"ESC [ 5 M", {0x4120}},
        {"ESC [ 3 X", {0x212B}},
        {"ESC [ 1 ; 2 ; 3 R", {293}},
        {"ESC [ e", {}},
        {"ESC [ !", {}},
        {"ESC [ 0xE9", {}},
        {"ESC [ 1 2 CR", {}},
        {"ESC [ 1 2 CR x", {'x'}},
    });
}

TEST_F(KbdKeys, TildeFamily)
{
    expect_rows({
        {"ESC [ 1 ~", {KBD_HOME}},
        {"ESC [ 2 ~", {KBD_INS}},
        {"ESC [ 3 ~", {KBD_DEL}},
        {"ESC [ 4 ~", {KBD_END}},
        {"ESC [ 5 ~", {KBD_PGUP}},
        {"ESC [ 6 ~", {KBD_PGDN}},
        {"ESC [ 7 ~", {KBD_F(1)}},
        {"ESC [ 1 1 ~", {KBD_F(1)}},
        {"ESC [ 1 0 ~", {KBD_F(4)}},
        {"ESC [ 1 5 ~", {KBD_F(5)}},
        {"ESC [ 1 6 ~", {KBD_F(5)}},
        {"ESC [ 2 1 ~", {KBD_F(10)}},
        {"ESC [ 2 3 ~", {KBD_F(11)}},
        {"ESC [ 3 2 ~", {KBD_F(20)}},
        {"ESC [ 0 ~", {}},
        {"ESC [ 2 2 ~", {}},
        {"ESC [ 3 3 ~", {}},
        {"ESC [ ; 5 ~", {}},
        {"ESC [ 3 $", {0x1109}},
        {"ESC [ 3 ^", {0x4109}},
        {"ESC [ 3 @", {0x5109}},
        {"ESC [ 3 ; 5 ~", {0x4109}},
        {"ESC [ 3 ; 5 $", {0x5109}},
        {"ESC [ 3 ; 5 ; 7 ~", {0x4109}},
        {"ESC [ 5 ; 5 ~", {0x410C}},
        {"ESC [ 2 ; 9 ~", {KBD_INS}},
        // 2^32 + 3: parameters wrap
        {"ESC [ 4 2 9 4 9 6 7 2 9 9 ~", {KBD_DEL}},
        {"CSI 2 ~", {KBD_INS}},
    });
}

TEST_F(KbdKeys, ZFormAndSunKeys)
{
    expect_rows({
        {"ESC [ 2 z", {KBD_INS}},
        {"ESC [ 3 z", {KBD_DEL}},
        {"ESC [ 7 z", {KBD_F(1)}},
        {"ESC [ 3 2 z", {KBD_F(20)}},
        {"ESC [ 2 2 z", {}},
        {"ESC [ 3 3 z", {}},
        {"ESC [ z", {}},
        {"ESC [ 1 ; 5 z", {0x410A}},
        {"ESC [ 1 9 1 z", {}},
        {"ESC [ 1 9 2 z", {KBD_F(11)}},
        {"ESC [ 1 9 3 z", {KBD_F(12)}},
        {"ESC [ 2 1 4 z", {KBD_HOME}},
        {"ESC [ 2 1 6 z", {KBD_PGUP}},
        {"ESC [ 2 1 8 z", {KBD_CENTER}},
        {"ESC [ 2 2 0 z", {KBD_END}},
        {"ESC [ 2 2 2 z", {KBD_PGDN}},
        {"ESC [ 2 2 4 z", {KBD_F(1)}},
        {"ESC [ 2 3 3 z", {KBD_F(10)}},
        {"ESC [ 2 3 4 z", {KBD_F(11)}},
        {"ESC [ 2 3 5 z", {KBD_F(12)}},
        {"ESC [ 2 4 7 z", {KBD_INS}},
        {"ESC [ 2 4 8 z", {}},
        {"ESC [ 2 4 9 z", {KBD_DEL}},
        {"ESC [ 2 2 4 ; 2 z", {0x1120}},
        {"ESC [ 1 0 0 z", {}},
        {"ESC [ 2 5 0 z", {}},
        {"ESC ESC [ 2 1 4 z", {0x210A}},
    });
}

TEST_F(KbdKeys, Ss3)
{
    expect_rows({
        {"ESC O A", {KBD_UP}},
        {"ESC O B", {KBD_DOWN}},
        {"ESC O C", {KBD_RIGHT}},
        {"ESC O D", {KBD_LEFT}},
        {"ESC O a", {0x4106}},
        {"ESC O d", {0x4104}},
        {"ESC O M", {KBD_ENTER}},
        {"ESC O I", {KBD_TAB}},
        {"ESC O P", {KBD_F(1)}},
        {"ESC O S", {KBD_F(4)}},
        {"ESC O X", {'='}},
        {"ESC O j", {'*'}},
        {"ESC O o", {'/'}},
        {"ESC O p", {'0'}},
        {"ESC O y", {'9'}},
        {"ESC O z", {}},
        {"ESC O @", {}},
        {"ESC O T", {}},
        {"ESC O ?", {}},
        {"ESC O [", {}},
        {"ESC O 2 P", {0x1120}},
        {"ESC O 5 A", {0x4106}},
        {"ESC O 1 ; 5 A", {KBD_UP}},
        {"SS3 2 P", {0x1120}},
        {"SS3 ?", {}},
    });
}

TEST_F(KbdKeys, PrivatePrefixesAndReports)
{
    expect_rows({
        // device attributes
        {"ESC [ ? 1 ; 2 c", {0x02010901}},
        {"ESC [ ? c", {0x901}},
        {"ESC [ ? 6 2 ; 1 ; 6 c", {0x013E0901}},
        {"ESC [ ? A", {}},
        {"ESC [ ? 1 ; 2 R", {}},
        // the Linux console's function keys
        {"ESC [ [ A", {KBD_F(1)}},
        {"ESC [ [ E", {KBD_F(5)}},
        {"ESC [ [ L", {KBD_F(12)}},
        {"ESC [ [ 2 A", {0x1120}},
        {"ESC [ [ Z", {}},
        {"ESC [ [ @", {}}, // below 'A' is no key either: not Enter, not a stray code
        {"ESC [ [ !", {}},
        // one prefix only, and a doubled ESC counts as one
        {"ESC [ ? ?", {0x205B, '?', '?'}},
        {"ESC [ [ ?", {0x205B, '[', '?'}},
        {"ESC ESC [ [ A", {0x2103, '[', '[', 'A'}},
        {"ESC ESC [ ? 1 ; 2 c", {0x2103, '[', '?', '1', ';', '2', 'c'}},
        {"CSI ? ?", {'?', '?'}},
        // cursor position: row, column
        {"ESC [ 2 4 ; 8 0 R", {0x50180900}},
        {"ESC [ ; R", {0x900}},
        {"ESC ESC [ 2 4 ; 8 0 R", {0x50180900}},
        {"ESC [ 1 ; 2 0 0 R", {static_cast<int>(0xC8010900u)}},
        // window reports
        {"ESC [ 8 ; 2 4 ; 8 0 t", {0x50180A08}},
        {"ESC [ 8 ; 2 4 ; 8 0 ; 1 t", {0x50180A08}},
        {"ESC [ 8 ; 2 4 t", {0x00180A08}},
        {"ESC ESC [ 8 ; 2 4 t", {0x00180A08}},
        {"ESC [ t", {0xA00}},
        {"ESC [ 3 0 0 t", {0xA2C}},
        {"ESC [ 4 ; 6 0 0 ; 8 0 0 t", {0x22580A04}},
    });
}

// ESC [ M and three bytes, each less 32: button, column, row. Only Shift,
// Meta, Ctrl and motion of the button byte are kept.
TEST_F(KbdKeys, Mouse)
{
    expect_rows({
        {"ESC [ M 0x24 0x21 0x21", {0x1800}},
        {"ESC [ M SP ! !", {0x800}},
        {"ESC [ M 0x23 0x7F 0x7F", {0x800}},
        {"ESC [ M 0x28 ! !", {0x2800}},
        {"ESC [ M 0x30 ! !", {0x4800}},
        {"ESC [ M 0x40 ! !", {0x8800}},
        {"ESC [ M 0x5C ! !", {0xF800}},
        {"ESC [ M ESC ESC ESC", {0xE800}},
        {"ESC [ M 0xFF 0xFF 0xFF", {0x7800}},
        {"ESC [ M 0x24 ! ! x", {0x1800, 'x'}},
        {"CSI M 0x24 ! !", {0x1800}},
        {"ESC ESC [ M 0x24 ! !", {0x1800}},
        {"ESC [ ? M 0x24 ! !", {0x1800}},
        {"ESC [ [ M 0x24 ! !", {0x1800}},
        {"ESC O M", {KBD_ENTER}},
    });
}

// A sequence cut short (the read after it finds nothing) is given up: ESC and
// the byte after it become a Meta key, a bare ESC [ M is F1, a lone CSI or
// SS3 byte is dropped, and the rest is decoded afresh.
TEST_F(KbdKeys, GivenUpSequencesAreReplayed)
{
    expect_rows({
        {"ESC [", {0x205B}},
        {"ESC O", {0x204F}},
        {"ESC [ ?", {0x205B, '?'}},
        {"ESC [ [", {0x205B, '['}},
        {"ESC [ 1 2", {0x205B, '1', '2'}},
        {"ESC [ CR", {0x205B, KBD_ENTER}},
        {"ESC [ ^A", {0x205B, 0x4041}},
        {"ESC O TAB", {0x204F, KBD_TAB}},
        {"ESC [ M", {KBD_F(1)}},
        {"ESC [ M 0x24", {KBD_F(1), '$'}},
        {"ESC [ M 0x24 !", {KBD_F(1), '$', '!'}},
        {"ESC [ [ M 0x24", {0x205B, '[', 'M', '$'}},
        {"ESC ESC [ M", {0x2103, '[', 'M'}},
        {"ESC ESC [ 1", {0x2103, '[', '1'}},
        {"CSI", {}},
        {"SS3", {}},
        {"CSI 1 2", {'1', '2'}},
        {"SS3 CR", {KBD_ENTER}},
        {"CSI ESC x", {0x2078}},
    });
    // end of input gives up a sequence just as an empty read does
    expect_keys(bytes_of("ESC"), {KBD_ESC, KBD_EOF}, true);
    expect_keys(bytes_of("ESC [ M"), {KBD_F(1), KBD_EOF}, true);
    expect_keys(bytes_of("ESC [ 1 2"), {0x205B, '1', '2', KBD_EOF}, true);
    expect_keys(bytes_of("CSI"), {KBD_EOF}, true);
}

// A sequence holds at most 20 bytes; one that is still going on after that
// is given up.
TEST_F(KbdKeys, TwentyByteLimit)
{
    auto with_chars = [](std::vector<int> keys, const std::string &s) {
        keys.insert(keys.end(), s.begin(), s.end());
        return keys;
    };
    const std::string params = "1;2;3;4;5;6;7;8;9;"; // 18 bytes, 9 semicolons
    expect_keys("\033[" + params, with_chars({0x205B}, params));
    expect_keys("\033[" + params + "A", with_chars({0x205B}, params + "A"));
    expect_keys("\033\033[" + params.substr(1), with_chars({0x2103}, "[" + params.substr(1)));
    // exactly 20 bytes still make a key
    expect_keys("\033[" + std::string(16, '0') + "5A", {0x4106});
    expect_keys("\033[" + std::string(17, '0') + "5A", with_chars({0x205B}, std::string(17, '0') + "5A"));
    // the sixteenth parameter does not exist: the sequence ends there
    expect_keys("\033[" + std::string(15, ';') + "A", {KBD_UP});
    expect_keys("\033[" + std::string(16, ';') + "A", {'A'});
}
