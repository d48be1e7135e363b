#include "ui/components/RelativeTime.h"

#include "model/Timestamp.h"

namespace corvane::RelativeTime {

namespace {

constexpr qint64 minute = 60;
constexpr qint64 hour = 60 * minute;
constexpr qint64 day = 24 * hour;

QString fromSeconds(qint64 seconds)
{
    if (seconds < 5) {
        return QStringLiteral("now");
    }
    if (seconds < minute) {
        return QString::number(seconds) + u's';
    }
    if (seconds < hour) {
        return QString::number(seconds / minute) + u'm';
    }
    if (seconds < day) {
        return QString::number(seconds / hour) + u'h';
    }
    return QString::number(seconds / day) + u'd';
}

} // namespace

QString shortFrom(Clock::time_point moment, Clock::time_point now)
{
    // duration_cast truncates toward zero, so 4.9 s is 4 s and -0.5 s is 0 s.
    return fromSeconds(std::chrono::duration_cast<std::chrono::seconds>(now - moment).count());
}

QString shortFrom(Clock::time_point moment)
{
    return shortFrom(moment, Clock::now());
}

QString shortFrom(const QDateTime& moment, const QDateTime& now)
{
    // Milliseconds first, so that the truncation to seconds happens once and toward zero.
    return fromSeconds(moment.msecsTo(now) / 1000);
}

QString shortFrom(const QDateTime& moment)
{
    return shortFrom(moment, QDateTime::currentDateTimeUtc());
}

QString shortISO(const QString& text, Clock::time_point now)
{
    const auto moment = Timestamp::lenient(text.toStdString());
    return moment ? shortFrom(*moment, now) : QString();
}

QString shortISO(const QString& text)
{
    return shortISO(text, Clock::now());
}

QDateTime momentISO(const QString& text)
{
    const auto moment = Timestamp::lenient(text.toStdString());
    if (!moment) {
        return {};
    }
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(moment->time_since_epoch());
    return QDateTime::fromMSecsSinceEpoch(milliseconds.count(), Qt::UTC);
}

} // namespace corvane::RelativeTime
