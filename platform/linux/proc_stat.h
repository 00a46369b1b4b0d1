// Parsers for the text of /proc/PID/stat and /proc/PID/status, apart from
// the reading so that they can be fed fixture lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/platform.h"

// Fills every field of out from one stat line but the start time, which the
// line gives in clock ticks after boot (start_ticks, and start_id as it
// stands); rss is converted from pages of page_size bytes. False when the
// line is malformed.
bool parse_proc_stat(std::string_view text, std::size_t page_size, proc_rec &out, std::uint64_t &start_ticks);

// The effective uid from the "Uid:" line of a status text.
bool parse_status_uid(std::string_view text, std::uint32_t &uid);
