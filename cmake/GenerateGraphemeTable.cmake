# Writes the code point ranges that decide whether an ASCII character forms a user-perceived
# character (extended grapheme cluster, UAX #29) of its own, from the Unicode data file
# GraphemeBreakProperty.txt:
#   - Prepend: joins the character that follows it (rule GB9b);
#   - Extend, ZWJ and SpacingMark: join the character before them (rules GB9, GB9a).
# Usage: cmake -DINPUT=<GraphemeBreakProperty.txt> -DOUTPUT=<header> -P GenerateGraphemeTable.cmake

file(STRINGS "${INPUT}" lines REGEX "^[0-9A-F]+(\\.\\.[0-9A-F]+)? *; (Prepend|Extend|ZWJ|SpacingMark) ")
if(NOT lines)
    message(FATAL_ERROR "No grapheme break properties found in ${INPUT}")
endif()

set(prepend "")
set(joining "")
foreach(line IN LISTS lines)
    string(REGEX MATCH "^([0-9A-F]+)(\\.\\.([0-9A-F]+))? *; ([A-Za-z]+)" matched "${line}")
    set(first "${CMAKE_MATCH_1}")
    set(last "${CMAKE_MATCH_3}")
    set(property "${CMAKE_MATCH_4}")
    if(last STREQUAL "")
        set(last "${first}")
    endif()
    # Fixed width so that sorting the text sorts the numbers.
    string(LENGTH "${first}" firstLength)
    string(LENGTH "${last}" lastLength)
    math(EXPR firstPadding "6 - ${firstLength}")
    math(EXPR lastPadding "6 - ${lastLength}")
    string(REPEAT "0" ${firstPadding} firstZeros)
    string(REPEAT "0" ${lastPadding} lastZeros)
    set(entry "    {0x${firstZeros}${first}, 0x${lastZeros}${last}},")
    if(property STREQUAL "Prepend")
        list(APPEND prepend "${entry}")
    else()
        list(APPEND joining "${entry}")
    endif()
endforeach()
list(SORT prepend)
list(SORT joining)
list(JOIN prepend "\n" prependText)
list(JOIN joining "\n" joiningText)

file(WRITE "${OUTPUT}.tmp" "// Generated from GraphemeBreakProperty.txt by GenerateGraphemeTable.cmake. Do not edit.
#pragma once

#include <array>

namespace corvane::GraphemeBreakTable {

struct Range {
    char32_t first;
    char32_t last;
};

inline constexpr auto prependRanges = std::to_array<Range>({
${prependText}
});

inline constexpr auto joiningRanges = std::to_array<Range>({
${joiningText}
});

} // namespace corvane::GraphemeBreakTable
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
