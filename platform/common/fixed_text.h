// Text fields of fixed width in system records.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

// The text of a field that is filled to its width without a terminator
// when the text is that long.
template <std::size_t N> std::string fixed_text(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}
