// Arbitrary bytes, cut into arbitrary reads, through the key decoder.
//
// Input layout: byte 0 says how many of the following bytes (0-15) describe
// the reads; each of those gives one read: 0 finds nothing (EAGAIN), 23 ends
// the input for that read, anything else n % 24 is a read of up to that many
// bytes. Later reads take whatever the buffer has room for. The rest of the
// input is what the terminal sends.
#include "kbd/kbd.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const std::uint8_t *sizes;
std::size_t sizes_left;
const std::uint8_t *input;
std::size_t input_left;

ssize_t fuzz_read(void *buf, std::size_t len)
{
    if (input_left == 0)
        return 0;
    std::size_t want = input_left;
    if (sizes_left > 0) {
        --sizes_left;
        int s = *sizes++ % 24;
        if (s == 0) {
            errno = EAGAIN;
            return -1;
        }
        if (s == 23)
            return 0;
        want = static_cast<std::size_t>(s);
    }
    std::size_t n = std::min({want, len, input_left});
    std::memcpy(buf, input, n);
    input += n;
    input_left -= n;
    return static_cast<ssize_t>(n);
}

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "kbd_fuzz: %s\n", what);
        std::abort();
    }
}

// The keys getkey gives for the whole input, up to its end.
std::vector<int> decode(const std::uint8_t *s, std::size_t ns, const std::uint8_t *in, std::size_t nin)
{
    sizes = s;
    sizes_left = ns;
    input = in;
    input_left = nin;
    kbd_reset();
    kbd_set_reader(fuzz_read);
    std::vector<int> keys;
    // every call either reads or uses up a buffered byte
    for (std::size_t calls = 0; calls < 4 * (ns + nin) + 8; ++calls) {
        int k = getkey();
        check(k == KBD_NONE || k == KBD_MORE || k == KBD_EOF || (k & 0xFFF) != 0,
              "getkey gave a modifier without a key, or a state's answer");
        if (k == KBD_EOF && input_left == 0)
            return keys;
        if (k != KBD_NONE && k != KBD_MORE)
            keys.push_back(k);
    }
    check(false, "getkey makes no progress");
    return keys;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t ns = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::uint8_t *in = data + 1 + ns;
    std::size_t nin = size - 1 - ns;
    std::vector<int> cut = decode(data + 1, ns, in, nin);

    // How the bytes are cut into reads must not matter, as long as no read
    // in between finds nothing or ends the input.
    bool plain_reads = std::none_of(data + 1, in, [](std::uint8_t s) { return s % 24 == 0 || s % 24 == 23; });
    if (plain_reads)
        check(decode(nullptr, 0, in, nin) == cut, "the keys depend on how the input was cut into reads");
    return 0;
}
