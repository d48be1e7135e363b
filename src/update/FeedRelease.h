#pragma once

#include "update/ReleaseVersion.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

namespace corvane {

// One release as an update feed lists it (an <item> of the feed).
struct FeedRelease {
    ReleaseVersion version;
    QString title;
    // Where the user downloads the release; always http or https.
    QUrl downloadPage;
    // Release notes to fetch (http or https), or empty.
    QUrl releaseNotesLink;
    // Release notes given inline, text or HTML, or empty.
    QString description;
    // Invalid when the feed gives no date.
    QDateTime published;
};

} // namespace corvane
