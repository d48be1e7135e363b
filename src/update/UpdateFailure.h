#pragma once

#include <QString>
#include <QUrl>

#include <chrono>

namespace corvane {

// Why an update check gave no answer, with the text the update window shows for it.
struct UpdateFailure {
    enum class Kind {
        cancelled, // the user closed the window or cancelled; never shown
        network, // the network layer's own error: no route, refused, TLS, ...
        timedOut, // no data arrived for the request's timeout
        badStatus, // an HTTP answer outside 2xx, or no HTTP answer at all
        tooLarge, // an answer larger than the size cap
        malformedFeed, // a feed that is not XML, or not the feed format
        badSignature, // a feed whose signature is missing or does not verify
        misconfigured, // build settings that cannot work: a public key that is not Ed25519, ...
    };

    Kind kind;
    QString description;

    static UpdateFailure cancelled();
    // "Could not load <url>: Connection refused"
    static UpdateFailure network(const QUrl& url, const QString& networkError);
    static UpdateFailure timedOut(const QUrl& url, std::chrono::milliseconds timeout);
    // "Could not load <url>: HTTP 500"
    static UpdateFailure badStatus(const QUrl& url, int status);
    static UpdateFailure tooLarge(const QUrl& url, qint64 maximumBytes);
    // "The update feed is malformed: <detail>"
    static UpdateFailure malformedFeed(const QString& detail);
    // "The update feed's signature <detail>"
    static UpdateFailure badSignature(const QString& detail);
    static UpdateFailure misconfigured(const QString& detail);
};

} // namespace corvane
