#pragma once

#include <QString>

#include <compare>
#include <optional>
#include <vector>

namespace corvane {

// A version with an optional build number, both numbers separated by dots ("1.4.0", "27"). Versions
// compare part by part as numbers (1.10 is newer than 1.9, 1.4 equals 1.4.0); the build decides only
// between equal versions, and a missing build counts as 0.
class ReleaseVersion {
public:
    ReleaseVersion() = default;

    // Nothing when either text is not numbers separated by dots; `build` may be empty.
    static std::optional<ReleaseVersion> parse(const QString& version, const QString& build = {});

    // "1.4.0 (27)", or "1.4.0" without a build.
    QString text() const;
    const QString& versionText() const { return m_versionText; }
    const QString& buildText() const { return m_buildText; }

    friend std::strong_ordering operator<=>(const ReleaseVersion& left, const ReleaseVersion& right);
    friend bool operator==(const ReleaseVersion& left, const ReleaseVersion& right)
    {
        return (left <=> right) == std::strong_ordering::equal;
    }

private:
    // Without trailing zeros, so that comparing the lists compares the versions.
    std::vector<int> m_version;
    std::vector<int> m_build;
    QString m_versionText;
    QString m_buildText;
};

} // namespace corvane
