#include "bars/pattern_guard.h"

#include <vector>

namespace {

// Far above any limit, far below overflow.
constexpr long CAP = 1L << 40;

long add(long a, long b)
{
    return a > CAP - b ? CAP : a + b;
}

long mul(long a, long b)
{
    return b != 0 && a > CAP / b ? CAP : a * b;
}

// One level of parentheses: the weight of what it holds so far, and of
// the item a repetition operator would apply to.
struct group {
    long sum = 0;
    long last = 0;
    bool has_last = false;

    void settle()
    {
        sum = add(sum, last);
        last = 0;
        has_last = false;
    }
    void take(long weight)
    {
        settle();
        last = weight;
        has_last = true;
    }
};

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads digits at `at`; -1 when there are none.
long number(std::string_view p, std::size_t &at)
{
    if (at >= p.size() || !is_digit(p[at]))
        return -1;
    long n = 0;
    for (; at < p.size() && is_digit(p[at]); ++at)
        n = add(mul(n, 10), p[at] - '0');
    return n;
}

// How many copies an interval {m}, {m,}, {m,n}, {,n} at `at` (its '{')
// makes, moving `at` past its '}'; 0 when this is no interval, which the
// compiler either refuses or takes as literal text.
long interval(std::string_view p, std::size_t &at)
{
    std::size_t i = at + 1;
    long lo = number(p, i);
    long hi = lo;
    if (i < p.size() && p[i] == ',') {
        ++i;
        hi = number(p, i);
        if (hi < 0)
            hi = lo < 0 ? 0 : add(lo, 1); // {m,} is m copies and a starred one
    }
    if (i >= p.size() || p[i] != '}' || (lo < 0 && hi < 0 && p[i - 1] != ','))
        return 0;
    at = i + 1;
    long copies = lo > hi ? lo : hi;
    return copies < 1 ? 1 : copies;
}

// Past the end of the bracket expression that starts at `at`. A ']' right
// after the '[' or '[^' is a member, and so is anything inside [: :],
// [. .] and [= =].
std::size_t bracket_end(std::string_view p, std::size_t at)
{
    std::size_t i = at + 1;
    if (i < p.size() && p[i] == '^')
        ++i;
    if (i < p.size() && p[i] == ']')
        ++i;
    while (i < p.size()) {
        char c = p[i];
        if (c == '[' && i + 1 < p.size() && (p[i + 1] == ':' || p[i + 1] == '.' || p[i + 1] == '=')) {
            const char end[] = {p[i + 1], ']'};
            std::size_t close = p.find(std::string_view(end, 2), i + 2);
            if (close == std::string_view::npos)
                return p.size();
            i = close + 2;
        } else if (c == ']') {
            return i + 1;
        } else {
            ++i;
        }
    }
    return p.size();
}

bool class_escape(char c)
{
    return c == 'w' || c == 'W' || c == 's' || c == 'S';
}

} // namespace

pattern_size pattern_measure(std::string_view p)
{
    pattern_size size;
    std::vector<group> groups(1);
    auto atom = [&](long weight) {
        groups.back().take(weight);
    };
    auto class_atom = [&] {
        size.plain = false;
        atom(PATTERN_CLASS_WEIGHT);
    };
    auto repeat = [&](long copies) {
        size.plain = false;
        group &g = groups.back();
        // With nothing before it, a repetition is refused or literal.
        if (g.has_last)
            g.last = mul(g.last, copies);
    };
    auto close_group = [&] {
        group inner = groups.back();
        groups.pop_back();
        inner.settle();
        atom(add(inner.sum, 1));
    };

    std::size_t i = 0;
    while (i < p.size()) {
        char c = p[i];
        switch (c) {
        case '\\':
            if (i + 1 < p.size() && p[i + 1] >= '1' && p[i + 1] <= '9') {
                size.backref = true;
                size.plain = false;
            }
            if (i + 1 < p.size() && class_escape(p[i + 1]))
                class_atom();
            else
                atom(1);
            i += 2;
            break;
        case '[':
            class_atom();
            i = bracket_end(p, i);
            break;
        case '.':
            class_atom();
            ++i;
            break;
        case '(':
            size.plain = false;
            groups.back().settle();
            groups.emplace_back();
            ++i;
            break;
        case ')':
            size.plain = false;
            if (groups.size() > 1)
                close_group();
            else
                atom(1);
            ++i;
            break;
        case '|': {
            size.plain = false;
            group &g = groups.back();
            g.settle();
            g.sum = add(g.sum, 1);
            ++i;
            break;
        }
        case '*':
        case '?':
            repeat(1);
            ++i;
            break;
        case '+':
            repeat(2);
            ++i;
            break;
        case '{': {
            long copies = interval(p, i);
            if (copies > 0) {
                repeat(copies);
            } else {
                atom(1);
                ++i;
            }
            break;
        }
        default:
            atom(1);
            ++i;
        }
    }
    // Unclosed groups are refused by the compiler; weigh them as closed.
    while (groups.size() > 1)
        close_group();
    groups.back().settle();
    size.weight = groups.back().sum;
    return size;
}

bool pattern_allowed(std::string_view pattern)
{
    if (pattern.size() > PATTERN_MAX_LEN)
        return false;
    pattern_size size = pattern_measure(pattern);
    return !size.backref && (size.plain || size.weight <= PATTERN_MAX_WEIGHT);
}
