#pragma once

#include <QString>
#include <QVariantMap>

namespace corvane {

// The keys of the bundle information: what this build calls itself.
inline constexpr auto shortVersionKey = "shortVersion";
inline constexpr auto buildNumberKey = "buildNumber";

// This build's information: the project version and the build number of the build settings, as text.
QVariantMap bundleInformation();

// "<short version> (<build number>)", e.g. "1.4.0 (27)". A key that is missing, or whose value is not
// text, contributes "?" instead.
QString appVersion(const QVariantMap& information);

// The version text of this build; reading it starts no update machinery.
QString appVersion();

} // namespace corvane
