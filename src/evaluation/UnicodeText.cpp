#include "evaluation/UnicodeText.h"

#include "evaluation/GraphemeBreakTable.h"

#include <algorithm>
#include <span>

namespace corvane::UnicodeText {
namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

struct CodePoint {
    char32_t value;
    std::size_t length;
};

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0U) == 0x80U;
}

// The code point that starts at `offset`, or U+FFFD for a single byte that does not start one.
CodePoint decodeAt(std::string_view text, std::size_t offset)
{
    const auto lead = static_cast<unsigned char>(text[offset]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80U) {
        return {lead, 1};
    } else if ((lead & 0xE0U) == 0xC0U) {
        length = 2, value = lead & 0x1FU, minimum = 0x80;
    } else if ((lead & 0xF0U) == 0xE0U) {
        length = 3, value = lead & 0x0FU, minimum = 0x800;
    } else if ((lead & 0xF8U) == 0xF0U) {
        length = 4, value = lead & 0x07U, minimum = 0x10000;
    } else {
        return {replacementCharacter, 1};
    }
    if (offset + length > text.size()) {
        return {replacementCharacter, 1};
    }
    for (std::size_t index = 1; index < length; ++index) {
        const auto byte = static_cast<unsigned char>(text[offset + index]);
        if (!isContinuation(byte)) {
            return {replacementCharacter, 1};
        }
        value = (value << 6U) | (byte & 0x3FU);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < minimum || value > 0x10FFFF || surrogate) {
        return {replacementCharacter, 1};
    }
    return {value, length};
}

// The code point that ends just before `end`.
CodePoint decodeBefore(std::string_view text, std::size_t end)
{
    const std::size_t earliest = end >= 4 ? end - 4 : 0;
    for (std::size_t start = end - 1;; --start) {
        if (!isContinuation(static_cast<unsigned char>(text[start])) || start == earliest) {
            const CodePoint found = decodeAt(text, start);
            if (start + found.length == end) {
                return found;
            }
            return {replacementCharacter, 1};
        }
    }
}

bool inRanges(char32_t value, std::span<const GraphemeBreakTable::Range> ranges)
{
    const auto candidate = std::upper_bound(
        ranges.begin(), ranges.end(), value, [](char32_t code, const auto& range) { return code < range.first; });
    return candidate != ranges.begin() && value <= std::prev(candidate)->last;
}

bool isSpaceOrTab(char32_t value)
{
    switch (value) {
    case 0x0009:
    case 0x0020:
    case 0x00A0:
    case 0x1680:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return value >= 0x2000 && value <= 0x200A;
    }
}

} // namespace

bool standsAlone(std::string_view text, std::size_t offset)
{
    if (offset > 0 && inRanges(decodeBefore(text, offset).value, GraphemeBreakTable::prependRanges)) {
        return false;
    }
    const std::size_t next = offset + 1;
    return next >= text.size() || !inRanges(decodeAt(text, next).value, GraphemeBreakTable::joiningRanges);
}

std::string_view trimSpacesAndTabs(std::string_view text)
{
    while (!text.empty()) {
        const CodePoint first = decodeAt(text, 0);
        if (!isSpaceOrTab(first.value)) {
            break;
        }
        text.remove_prefix(first.length);
    }
    while (!text.empty()) {
        const CodePoint last = decodeBefore(text, text.size());
        if (!isSpaceOrTab(last.value)) {
            break;
        }
        text.remove_suffix(last.length);
    }
    return text;
}

} // namespace corvane::UnicodeText
