#include "store/TimeText.h"

#include <array>
#include <chrono>

namespace corvane::relay::TimeText {
namespace {

void appendDigits(std::string& text, long long value, std::size_t width)
{
    std::array<char, 20> digits{};
    std::size_t count = 0;
    const bool negative = value < 0;
    auto remaining = negative ? -static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        digits[count++] = static_cast<char>('0' + remaining % 10);
        remaining /= 10;
    } while (remaining > 0 && count < digits.size());
    if (negative) {
        text += '-';
    }
    for (auto pad = count; pad < width; ++pad) {
        text += '0';
    }
    while (count > 0) {
        text += digits[--count];
    }
}

} // namespace

void appendRfc3339(std::string& text, Milliseconds time)
{
    using namespace std::chrono;
    const sys_time<milliseconds> point{milliseconds(time)};
    const auto day = floor<days>(point);
    const year_month_day date(day);
    const hh_mm_ss clock(point - day);
    appendDigits(text, int(date.year()), 4);
    text += '-';
    appendDigits(text, unsigned(date.month()), 2);
    text += '-';
    appendDigits(text, unsigned(date.day()), 2);
    text += 'T';
    appendDigits(text, clock.hours().count(), 2);
    text += ':';
    appendDigits(text, clock.minutes().count(), 2);
    text += ':';
    appendDigits(text, clock.seconds().count(), 2);
    text += '.';
    appendDigits(text, clock.subseconds().count(), 3);
    text += 'Z';
}

std::string rfc3339(Milliseconds time)
{
    std::string text;
    text.reserve(rfc3339Length);
    appendRfc3339(text, time);
    return text;
}

Milliseconds now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace corvane::relay::TimeText
