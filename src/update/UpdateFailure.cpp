#include "update/UpdateFailure.h"

namespace corvane {
namespace {

QString loadFailure(const QUrl& url, const QString& reason)
{
    return QStringLiteral("Could not load %1: %2").arg(url.toDisplayString(), reason);
}

} // namespace

UpdateFailure UpdateFailure::cancelled()
{
    return {Kind::cancelled, QStringLiteral("The update check was cancelled.")};
}

UpdateFailure UpdateFailure::network(const QUrl& url, const QString& networkError)
{
    return {Kind::network, loadFailure(url, networkError)};
}

UpdateFailure UpdateFailure::timedOut(const QUrl& url, std::chrono::milliseconds timeout)
{
    const double seconds = std::chrono::duration<double>(timeout).count();
    return {Kind::timedOut, loadFailure(url, QStringLiteral("nothing arrived for %1 seconds").arg(seconds))};
}

UpdateFailure UpdateFailure::badStatus(const QUrl& url, int status)
{
    return {Kind::badStatus,
        loadFailure(url, status == 0 ? QStringLiteral("no HTTP answer") : QStringLiteral("HTTP %1").arg(status))};
}

UpdateFailure UpdateFailure::tooLarge(const QUrl& url, qint64 maximumBytes)
{
    return {Kind::tooLarge, loadFailure(url, QStringLiteral("the answer is larger than %1 bytes").arg(maximumBytes))};
}

UpdateFailure UpdateFailure::malformedFeed(const QString& detail)
{
    return {Kind::malformedFeed, QStringLiteral("The update feed is malformed: %1").arg(detail)};
}

UpdateFailure UpdateFailure::badSignature(const QString& detail)
{
    return {Kind::badSignature, QStringLiteral("The update feed's signature %1").arg(detail)};
}

UpdateFailure UpdateFailure::misconfigured(const QString& detail)
{
    return {Kind::misconfigured, QStringLiteral("This build of Corvane cannot check for updates: %1").arg(detail)};
}

} // namespace corvane
