#include "model/Timestamp.h"

#include <cstddef>

namespace corvane::Timestamp {
namespace {

// Reads `text` from its front, one field at a time; any mismatch leaves it failed.
class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) { }

    // Exactly `count` decimal digits within [minimum, maximum].
    int digits(std::size_t count, int minimum, int maximum)
    {
        int value = 0;
        for (std::size_t index = 0; index < count; ++index) {
            if (!isDigitAt(index)) {
                m_failed = true;
                return 0;
            }
            value = value * 10 + (m_text[index] - '0');
        }
        m_text.remove_prefix(count);
        if (value < minimum || value > maximum) {
            m_failed = true;
        }
        return value;
    }

    // One of the characters in `choices`; returns it, or '\0' when none is next.
    char oneOf(std::string_view choices)
    {
        if (m_failed || m_text.empty() || choices.find(m_text.front()) == std::string_view::npos) {
            m_failed = true;
            return '\0';
        }
        const char found = m_text.front();
        m_text.remove_prefix(1);
        return found;
    }

    // One or more digits as nanoseconds; digits past the ninth are read and dropped.
    std::chrono::nanoseconds fraction()
    {
        if (!isDigitAt(0)) {
            m_failed = true;
            return {};
        }
        std::chrono::nanoseconds::rep nanoseconds = 0;
        std::chrono::nanoseconds::rep scale = 100'000'000;
        std::size_t index = 0;
        for (; isDigitAt(index); ++index) {
            nanoseconds += (m_text[index] - '0') * scale;
            scale /= 10;
        }
        m_text.remove_prefix(index);
        return std::chrono::nanoseconds(nanoseconds);
    }

    bool succeeded() const { return !m_failed && m_text.empty(); }

private:
    bool isDigitAt(std::size_t index) const
    {
        return !m_failed && index < m_text.size() && m_text[index] >= '0' && m_text[index] <= '9';
    }

    std::string_view m_text;
    bool m_failed = false;
};

} // namespace

std::optional<std::chrono::system_clock::time_point> lenient(std::string_view text)
{
    using namespace std::chrono;

    Cursor cursor(text);
    const int year = cursor.digits(4, 0, 9999);
    cursor.oneOf("-");
    const int month = cursor.digits(2, 1, 12);
    cursor.oneOf("-");
    const int day = cursor.digits(2, 1, 31);
    cursor.oneOf("Tt");
    const int hour = cursor.digits(2, 0, 23);
    cursor.oneOf(":");
    const int minute = cursor.digits(2, 0, 59);
    cursor.oneOf(":");
    const int second = cursor.digits(2, 0, 59);
    cursor.oneOf(".");
    const nanoseconds fraction = cursor.fraction();

    minutes offset{0};
    const char zone = cursor.oneOf("Zz+-");
    if (zone == '+' || zone == '-') {
        const int offsetHours = cursor.digits(2, 0, 23);
        cursor.oneOf(":");
        const int offsetMinutes = cursor.digits(2, 0, 59);
        offset = hours(offsetHours) + minutes(offsetMinutes);
        if (zone == '-') {
            offset = -offset;
        }
    }
    if (!cursor.succeeded()) {
        return std::nullopt;
    }

    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
        std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok()) {
        return std::nullopt;
    }
    const auto local = sys_days(date) + hours(hour) + minutes(minute) + seconds(second) + fraction;
    return time_point_cast<system_clock::duration>(local - offset);
}

} // namespace corvane::Timestamp
