#include "api/JsonSyntax.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <utility>

namespace corvane::relay::JsonSyntax {
namespace {

// Integers with no more digits than this are below the largest double; longer ones are converted to
// find out.
constexpr std::size_t integerDigitsAlwaysFinite = 308;
// Exponents are read up to this size: far beyond any double, and beyond the digits a body can hold.
constexpr std::int64_t exponentCap = std::int64_t{1} << 40;

bool isDigit(char character)
{
    return character >= '0' && character <= '9';
}

bool isHexDigit(char character)
{
    return isDigit(character) || (character >= 'a' && character <= 'f') || (character >= 'A' && character <= 'F');
}

unsigned hexValue(char character)
{
    if (isDigit(character)) {
        return static_cast<unsigned>(character - '0');
    }
    return static_cast<unsigned>((character | 0x20) - 'a' + 10);
}

// Whether the number whose digits are `integer`, `fraction` and `exponent` (the parts of a token
// that passed the grammar) becomes an infinite double, as the parser's conversion finds.
bool overflowsDouble(std::string_view token, std::string_view integer, std::string_view fraction, std::int64_t exponent)
{
    double value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc::result_out_of_range) {
        return false;
    }
    // Out of range either way: too large, or too small (which the parser reads as zero or a
    // subnormal). A magnitude of at least 1 is the former.
    std::int64_t leadingPower = 0;
    if (integer != "0") {
        leadingPower = static_cast<std::int64_t>(integer.size()) - 1 + exponent;
    } else {
        const auto first = fraction.find_first_not_of('0');
        if (first == std::string_view::npos) {
            return false;
        }
        leadingPower = exponent - static_cast<std::int64_t>(first) - 1;
    }
    return leadingPower >= 0;
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : m_next(text.data()), m_end(text.data() + text.size()) { }

    Verdict run(int maxDepth);

private:
    bool atEnd() const { return m_next == m_end; }
    std::size_t left() const { return static_cast<std::size_t>(m_end - m_next); }
    unsigned char byte(std::size_t offset) const { return static_cast<unsigned char>(m_next[offset]); }

    void skipSpace();
    bool byteOrderMark();
    bool scalar();
    bool literal(std::string_view word);
    bool string();
    // Moves past the bytes that stand for themselves in a string: ASCII from the space on, except
    // the quote and the backslash. Eight at a time while it can.
    void skipPlainCharacters();
    bool escape();
    bool hexQuad(unsigned& value);
    bool utf8Sequence();
    bool number();
    std::string_view digits();
    // An object member's name and the colon after it.
    bool memberName();

    const char* m_next;
    const char* m_end;
};

Verdict Scanner::run(int maxDepth)
{
    if (!byteOrderMark()) {
        return Verdict::notJson;
    }
    // The open arrays and objects, innermost last, as their opening characters.
    std::string open;
    bool deeper = false;
    for (;;) {
        // A value is due.
        skipSpace();
        if (atEnd()) {
            return Verdict::notJson;
        }
        const char first = *m_next;
        if (first == '[' || first == '{') {
            ++m_next;
            open.push_back(first);
            deeper = deeper || std::cmp_greater(open.size(), maxDepth);
            skipSpace();
            const char closing = first == '[' ? ']' : '}';
            if (atEnd() || *m_next != closing) {
                if (first == '{' && !memberName()) {
                    return Verdict::notJson;
                }
                continue;
            }
            ++m_next;
            open.pop_back();
        } else if (!scalar()) {
            return Verdict::notJson;
        }
        // A value ended: close what it ends, up to the next element or the end of the text.
        for (;;) {
            skipSpace();
            if (open.empty()) {
                if (!atEnd() && *m_next != '\0') {
                    return Verdict::notJson;
                }
                return deeper ? Verdict::tooDeep : Verdict::json;
            }
            if (atEnd()) {
                return Verdict::notJson;
            }
            if (*m_next == ',') {
                ++m_next;
                if (open.back() == '{' && !memberName()) {
                    return Verdict::notJson;
                }
                break;
            }
            if (*m_next != (open.back() == '[' ? ']' : '}')) {
                return Verdict::notJson;
            }
            ++m_next;
            open.pop_back();
        }
    }
}

void Scanner::skipSpace()
{
    while (!atEnd() && (*m_next == ' ' || *m_next == '\t' || *m_next == '\n' || *m_next == '\r')) {
        ++m_next;
    }
}

bool Scanner::byteOrderMark()
{
    if (atEnd() || byte(0) != 0xEF) {
        return true;
    }
    if (left() < 3 || byte(1) != 0xBB || byte(2) != 0xBF) {
        return false;
    }
    m_next += 3;
    return true;
}

bool Scanner::scalar()
{
    switch (*m_next) {
    case '"':
        return string();
    case 't':
        return literal("true");
    case 'f':
        return literal("false");
    case 'n':
        return literal("null");
    default:
        return (*m_next == '-' || isDigit(*m_next)) && number();
    }
}

bool Scanner::literal(std::string_view word)
{
    if (std::string_view(m_next, left()).substr(0, word.size()) != word) {
        return false;
    }
    m_next += word.size();
    return true;
}

bool Scanner::string()
{
    ++m_next;
    for (;;) {
        skipPlainCharacters();
        if (atEnd() || byte(0) < 0x20) {
            return false;
        }
        if (*m_next == '"') {
            ++m_next;
            return true;
        }
        if (*m_next == '\\' ? !escape() : !utf8Sequence()) {
            return false;
        }
    }
}

void Scanner::skipPlainCharacters()
{
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t highBits = 0x8080808080808080;
    // Whether any byte of `word` is below `bound` (at most 0x80); exact, as only the verdict is used.
    const auto anyBelow = [](std::uint64_t word, std::uint64_t bound) { return (word - ones * bound) & ~word; };
    constexpr std::size_t wordSize = sizeof(std::uint64_t);
    while (left() >= wordSize) {
        std::uint64_t word = 0;
        std::memcpy(&word, m_next, wordSize);
        const auto special
            = anyBelow(word, 0x20) | anyBelow(word ^ (ones * '"'), 1) | anyBelow(word ^ (ones * '\\'), 1) | word;
        if ((special & highBits) != 0) {
            break;
        }
        m_next += wordSize;
    }
    while (!atEnd() && byte(0) >= 0x20 && byte(0) < 0x80 && *m_next != '"' && *m_next != '\\') {
        ++m_next;
    }
}

bool Scanner::escape()
{
    if (left() < 2) {
        return false;
    }
    const char kind = m_next[1];
    m_next += 2;
    switch (kind) {
    case '"':
    case '\\':
    case '/':
    case 'b':
    case 'f':
    case 'n':
    case 'r':
    case 't':
        return true;
    case 'u':
        break;
    default:
        return false;
    }
    unsigned first = 0;
    if (!hexQuad(first)) {
        return false;
    }
    if (first >= 0xDC00 && first <= 0xDFFF) {
        return false;
    }
    if (first < 0xD800 || first > 0xDBFF) {
        return true;
    }
    // A high surrogate needs a low one right after it.
    if (left() < 2 || m_next[0] != '\\' || m_next[1] != 'u') {
        return false;
    }
    m_next += 2;
    unsigned second = 0;
    return hexQuad(second) && second >= 0xDC00 && second <= 0xDFFF;
}

bool Scanner::hexQuad(unsigned& value)
{
    constexpr std::size_t quad = 4;
    if (left() < quad || !std::all_of(m_next, m_next + quad, isHexDigit)) {
        return false;
    }
    value = 0;
    for (std::size_t index = 0; index < quad; ++index) {
        value = value * 16 + hexValue(m_next[index]);
    }
    m_next += quad;
    return true;
}

// RFC 3629: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool Scanner::utf8Sequence()
{
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        secondLow = lead == 0xE0 ? 0xA0 : secondLow;
        secondHigh = lead == 0xED ? 0x9F : secondHigh;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        secondLow = lead == 0xF0 ? 0x90 : secondLow;
        secondHigh = lead == 0xF4 ? 0x8F : secondHigh;
    } else {
        return false;
    }
    if (left() < length || byte(1) < secondLow || byte(1) > secondHigh) {
        return false;
    }
    for (std::size_t index = 2; index < length; ++index) {
        if ((byte(index) & 0xC0) != 0x80) {
            return false;
        }
    }
    m_next += length;
    return true;
}

std::string_view Scanner::digits()
{
    const char* start = m_next;
    while (!atEnd() && isDigit(*m_next)) {
        ++m_next;
    }
    return {start, static_cast<std::size_t>(m_next - start)};
}

bool Scanner::number()
{
    const char* start = m_next;
    if (*m_next == '-') {
        ++m_next;
    }
    if (atEnd() || !isDigit(*m_next)) {
        return false;
    }
    std::string_view integer;
    if (*m_next == '0') {
        integer = std::string_view(m_next, 1);
        ++m_next;
    } else {
        integer = digits();
    }
    std::string_view fraction;
    if (!atEnd() && *m_next == '.') {
        ++m_next;
        fraction = digits();
        if (fraction.empty()) {
            return false;
        }
    }
    bool hasExponent = false;
    std::int64_t exponent = 0;
    if (!atEnd() && (*m_next == 'e' || *m_next == 'E')) {
        ++m_next;
        const bool negative = !atEnd() && *m_next == '-';
        if (!atEnd() && (*m_next == '-' || *m_next == '+')) {
            ++m_next;
        }
        const auto exponentDigits = digits();
        if (exponentDigits.empty()) {
            return false;
        }
        hasExponent = true;
        for (const char digit : exponentDigits) {
            exponent = std::min(exponent * 10 + (digit - '0'), exponentCap);
        }
        exponent = negative ? -exponent : exponent;
    }
    if (!hasExponent && integer.size() <= integerDigitsAlwaysFinite) {
        return true;
    }
    const std::string_view token(start, static_cast<std::size_t>(m_next - start));
    return !overflowsDouble(token, integer, fraction, exponent);
}

bool Scanner::memberName()
{
    skipSpace();
    if (atEnd() || *m_next != '"' || !string()) {
        return false;
    }
    skipSpace();
    if (atEnd() || *m_next != ':') {
        return false;
    }
    ++m_next;
    return true;
}

bool isAsciiText(std::string_view text)
{
    return std::ranges::all_of(text, [](char character) { return static_cast<unsigned char>(character) < 0x80; });
}

} // namespace

Verdict check(std::string_view text, int maxDepth)
{
    return Scanner(text).run(maxDepth);
}

void appendString(std::string& out, std::string_view text)
{
    if (!isAsciiText(text)) {
        // Replacing invalid UTF-8 is the library's own business; only ASCII takes the short way.
        out += nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return;
    }
    static constexpr std::string_view hexDigits = "0123456789abcdef";
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    for (const char character : text) {
        switch (character) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(character) < 0x20) {
                out += "\\u00";
                out += hexDigits[static_cast<unsigned char>(character) >> 4];
                out += hexDigits[static_cast<unsigned char>(character) & 0x0F];
            } else {
                out += character;
            }
        }
    }
    out += '"';
}

} // namespace corvane::relay::JsonSyntax
