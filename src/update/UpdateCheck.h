#pragma once

#include "update/FeedRelease.h"
#include "update/ReleaseVersion.h"
#include "update/UpdateFailure.h"
#include "update/UpdateSettings.h"

#include <QString>

#include <qcoro/qcorotask.h>

#include <expected>
#include <optional>
#include <stop_token>

class QNetworkAccessManager;

namespace corvane {

// What a check found: the running version, and the newest release of the feed when it is newer.
struct UpdateCheckResult {
    ReleaseVersion current;
    std::optional<FeedRelease> newerRelease;
};

struct ReleaseNotes {
    QString text;
    bool isHtml = false;
};

} // namespace corvane

// The network side of an update check, without any window. `network` must outlive each call; every
// call fails as cancelled once `stop` is requested.
namespace corvane::UpdateCheck {

// Fetches the feed (and, when a public key is set, its signature from the feed URL with ".sig"
// appended to the path), verifies the signature over the feed's exact bytes, and compares the newest
// release with the running version. Needs a feed URL.
QCoro::Task<std::expected<UpdateCheckResult, UpdateFailure>> run(
    QNetworkAccessManager& network, UpdateSettings settings, std::stop_token stop);

// The release's notes: fetched from its release-notes link when it has one, else its inline
// description (empty when it has neither). HTML when the server says text/html, text when it says
// text/plain, otherwise whichever the text looks like. Bytes that are not UTF-8 become U+FFFD.
QCoro::Task<std::expected<ReleaseNotes, UpdateFailure>> releaseNotes(
    QNetworkAccessManager& network, FeedRelease release, UpdateSettings settings, std::stop_token stop);

// The signature's address: "https://host/feed.xml?x=1" gives "https://host/feed.xml.sig?x=1".
QUrl signatureURL(const QUrl& feedURL);

} // namespace corvane::UpdateCheck
