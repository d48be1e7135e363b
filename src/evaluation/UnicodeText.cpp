#include "evaluation/UnicodeText.h"

#include "evaluation/GraphemeBreakTable.h"

#include <algorithm>
#include <functional>
#include <optional>
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

// How a lead byte starts a sequence: its length, the bits it carries and the smallest code point
// that needs that length (anything smaller is an over-long form).
struct SequenceStart {
    std::size_t length;
    unsigned char valueBits;
    char32_t minimum;
};

std::optional<SequenceStart> sequenceStart(unsigned char lead)
{
    if ((lead & 0xE0U) == 0xC0U) {
        return SequenceStart{2, 0x1FU, 0x80};
    }
    if ((lead & 0xF0U) == 0xE0U) {
        return SequenceStart{3, 0x0FU, 0x800};
    }
    if ((lead & 0xF8U) == 0xF0U) {
        return SequenceStart{4, 0x07U, 0x10000};
    }
    return std::nullopt;
}

// The code point that starts at `offset`, or U+FFFD for a single byte that does not start one.
CodePoint decodeAt(std::string_view text, std::size_t offset)
{
    const auto lead = static_cast<unsigned char>(text[offset]);
    if (lead < 0x80U) {
        return {lead, 1};
    }
    const auto start = sequenceStart(lead);
    if (!start || offset + start->length > text.size()) {
        return {replacementCharacter, 1};
    }
    char32_t value = lead & start->valueBits;
    for (std::size_t index = 1; index < start->length; ++index) {
        const auto byte = static_cast<unsigned char>(text[offset + index]);
        if (!isContinuation(byte)) {
            return {replacementCharacter, 1};
        }
        value = (value << 6U) | (byte & 0x3FU);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < start->minimum || value > 0x10FFFF || surrogate) {
        return {replacementCharacter, 1};
    }
    return {value, start->length};
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
    const auto candidate = std::ranges::upper_bound(ranges, value, std::less{}, &GraphemeBreakTable::Range::first);
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

std::size_t prefixLength(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t length = limit;
    // A sequence is at most four bytes: at most three continuation bytes are given back.
    for (int step = 0; step < 3 && length > 0 && isContinuation(static_cast<unsigned char>(text[length])); ++step) {
        --length;
    }
    return length;
}

} // namespace corvane::UnicodeText
