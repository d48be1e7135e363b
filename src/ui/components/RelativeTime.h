#pragma once

#include <QDateTime>
#include <QString>

#include <chrono>

// The short age texts of the event lists: "now", "5s", "3m", "2h", "400d". No space, no "ago", no
// plural and no translation. Every function takes the present moment explicitly; the overloads
// without it use the system clock.
namespace corvane::RelativeTime {

using Clock = std::chrono::system_clock;

// The age of `moment` at `now` in whole seconds, truncated toward zero: under 5 s (a moment in the
// future included) "now", then seconds, minutes, hours and days, each rounded down.
QString shortFrom(Clock::time_point moment, Clock::time_point now);
QString shortFrom(Clock::time_point moment);
QString shortFrom(const QDateTime& moment, const QDateTime& now);
QString shortFrom(const QDateTime& moment);

// shortFrom of a service timestamp (Timestamp::lenient); the empty text when it does not parse, which
// includes a timestamp without fractional seconds.
QString shortISO(const QString& text, Clock::time_point now);
QString shortISO(const QString& text);

// The moment a service timestamp (Timestamp::lenient) names, in UTC to the millisecond; an invalid one when
// the timestamp does not parse.
QDateTime momentISO(const QString& text);

} // namespace corvane::RelativeTime
