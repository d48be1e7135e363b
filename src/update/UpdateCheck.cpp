#include "update/UpdateCheck.h"

#include "update/BoundedFetch.h"
#include "update/FeedSignature.h"
#include "update/UpdateFeed.h"

#include <QTextDocument>

namespace corvane::UpdateCheck {
namespace {

FetchLimits limitsOf(const UpdateSettings& settings)
{
    return {settings.timeout, settings.maximumBytes};
}

// HTML when `mediaType` says so, text when it says text/plain; otherwise by the look of the text.
ReleaseNotes notesFromText(QString text, const QByteArray& mediaType)
{
    const QByteArray type = mediaType.split(';').front().trimmed().toLower();
    const bool isHtml = type == "text/html" || (type != "text/plain" && Qt::mightBeRichText(text));
    return {std::move(text), isHtml};
}

} // namespace

QUrl signatureURL(const QUrl& feedURL)
{
    QUrl url = feedURL;
    url.setPath(feedURL.path() + QStringLiteral(".sig"));
    return url;
}

QCoro::Task<std::expected<UpdateCheckResult, UpdateFailure>> run(
    QNetworkAccessManager& network, UpdateSettings settings, std::stop_token stop)
{
    const auto current = ReleaseVersion::parse(settings.currentVersion, settings.currentBuild);
    if (!current) {
        co_return std::unexpected(
            UpdateFailure::misconfigured(QStringLiteral("its own version \"%1 (%2)\" is not numbers separated by dots")
                    .arg(settings.currentVersion, settings.currentBuild)));
    }
    const auto feed = co_await fetchBounded(network, settings.feedURL, limitsOf(settings), stop);
    if (!feed) {
        co_return std::unexpected(feed.error());
    }
    if (!settings.publicKey.isEmpty()) {
        const QUrl signatureAddress = signatureURL(settings.feedURL);
        const auto signature = co_await fetchBounded(network, signatureAddress, limitsOf(settings), stop);
        if (!signature) {
            if (signature.error().kind == UpdateFailure::Kind::badStatus) {
                co_return std::unexpected(
                    UpdateFailure::badSignature(QStringLiteral("is missing (%1)").arg(signature.error().description)));
            }
            co_return std::unexpected(signature.error());
        }
        const auto verified = FeedSignature::verify(feed->bytes, signature->bytes, settings.publicKey);
        if (!verified) {
            co_return std::unexpected(verified.error());
        }
    }
    auto newest = UpdateFeed::newestRelease(feed->bytes);
    if (!newest) {
        co_return std::unexpected(newest.error());
    }
    UpdateCheckResult result{*current, std::nullopt};
    if (newest->version > *current) {
        result.newerRelease = *std::move(newest);
    }
    co_return result;
}

QCoro::Task<std::expected<ReleaseNotes, UpdateFailure>> releaseNotes(
    QNetworkAccessManager& network, FeedRelease release, UpdateSettings settings, std::stop_token stop)
{
    if (release.releaseNotesLink.isEmpty()) {
        co_return notesFromText(release.description, {});
    }
    const auto fetched = co_await fetchBounded(network, release.releaseNotesLink, limitsOf(settings), stop);
    if (!fetched) {
        co_return std::unexpected(fetched.error());
    }
    // Unlike a QStringDecoder, which waits for the rest of a sequence cut off at the end, this replaces it.
    co_return notesFromText(QString::fromUtf8(fetched->bytes), fetched->contentType);
}

} // namespace corvane::UpdateCheck
