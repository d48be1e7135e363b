#include "store/TimeText.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace corvane::relay::TimeText {

std::string rfc3339(Milliseconds time)
{
    constexpr Milliseconds perSecond = 1000;
    Milliseconds seconds = time / perSecond;
    Milliseconds milliseconds = time % perSecond;
    if (milliseconds < 0) {
        milliseconds += perSecond;
        --seconds;
    }
    const auto calendarTime = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&calendarTime, &parts);
    std::array<char, 40> text{};
    const int length
        = std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
            parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(milliseconds));
    return std::string(text.data(), static_cast<std::size_t>(length));
}

Milliseconds now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace corvane::relay::TimeText
