#include "platform/linux/name_order.h"

#include <cstring>
#include <string_view>

namespace {

// Splits a name into what comes before its last run of digits and that run
// without its leading zeros.
void split(const char *name, std::string_view &stem, std::string_view &number)
{
    std::string_view s(name);
    std::size_t digits = s.size();
    while (digits > 0 && s[digits - 1] >= '0' && s[digits - 1] <= '9')
        --digits;
    stem = s.substr(0, digits);
    number = s.substr(digits);
    while (number.size() > 1 && number.front() == '0')
        number.remove_prefix(1);
}

} // namespace

bool name_before(const char *a, const char *b)
{
    std::string_view stem_a, num_a, stem_b, num_b;
    split(a, stem_a, num_a);
    split(b, stem_b, num_b);
    if (int c = stem_a.compare(stem_b); c != 0)
        return c < 0;
    if (num_a.size() != num_b.size())
        return num_a.size() < num_b.size();
    if (int c = num_a.compare(num_b); c != 0)
        return c < 0;
    // "cpu01" and "cpu1": any fixed order will do.
    return std::strcmp(a, b) < 0;
}
