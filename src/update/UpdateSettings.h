#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>

namespace corvane {

// What an update check needs to know: where the feed is, who signs it, which version runs, and the
// limits every request is held to.
struct UpdateSettings {
    // Empty: this build gets its updates from the distribution's package manager and checks nothing.
    QUrl feedURL;
    // Base64 of an Ed25519 public key (the raw 32 bytes, or the DER body of `openssl pkey -pubout`).
    // When set, the feed must carry a signature by that key; when empty, feeds are not signed.
    QByteArray publicKey;
    QString currentVersion;
    QString currentBuild;
    // A request that receives nothing for this long fails.
    std::chrono::milliseconds timeout = std::chrono::seconds(30);
    // A larger answer (feed, signature or release notes) fails.
    qint64 maximumBytes = 4LL * 1024 * 1024;

    // The build settings and the version of this build.
    static UpdateSettings builtIn();
};

} // namespace corvane
