#pragma once

#include <cstddef>
#include <string_view>

// The few Unicode rules the evaluation layer needs, on UTF-8 text. Bytes that are not valid UTF-8
// count as U+FFFD, one per byte.
namespace corvane::UnicodeText {

// Whether the ASCII character at `offset` is a user-perceived character of its own: no prepended
// mark before it and no combining mark, joiner or spacing mark after it (UAX #29, rules GB9-GB9b).
// A brace followed by U+0301 is not a brace.
bool standsAlone(std::string_view text, std::size_t offset);

// `text` without leading and trailing space separators (Unicode category Zs) and tabs. Line breaks
// are kept.
std::string_view trimSpacesAndTabs(std::string_view text);

// The length of the longest start of `text` of at most `limit` bytes that does not end inside a
// character's sequence.
std::size_t prefixLength(std::string_view text, std::size_t limit);

} // namespace corvane::UnicodeText
