#pragma once

#include "update/FeedRelease.h"
#include "update/UpdateFailure.h"

#include <QByteArray>

#include <expected>
#include <vector>

// Reads the update feed: an RSS 2.0 document whose <channel> lists one <item> per release. Besides
// RSS's own <title>, <link> (the download page, required), <pubDate> (RFC 822, optional) and
// <description> (inline release notes, optional), an item carries elements in the namespace
// `namespaceURI`: <version> (required), <build> and <releaseNotesLink> (optional). Elements the feed
// format does not name are skipped.
namespace corvane::UpdateFeed {

inline constexpr auto namespaceURI = "https://corvane.dev/update-feed";

// Every release the feed lists, in document order; a feed that is not well-formed XML, is not that
// format, or has an item with a missing or unreadable field fails as a whole.
std::expected<std::vector<FeedRelease>, UpdateFailure> releases(const QByteArray& document);

// The release with the highest version (and, among equal versions, the highest build); the first of
// equals. A feed without items fails.
std::expected<FeedRelease, UpdateFailure> newestRelease(const QByteArray& document);

} // namespace corvane::UpdateFeed
