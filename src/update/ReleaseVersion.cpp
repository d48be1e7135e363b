#include "update/ReleaseVersion.h"

#include <QList>
#include <QStringView>

#include <algorithm>

namespace corvane {
namespace {

// Digits separated by single dots and nothing else. (QVersionNumber::fromString skips any one character
// between numbers, so it would read "1x2" as 1.2.) Each part has at most nine digits, so it fits an int.
std::optional<QVersionNumber> numbers(const QString& text)
{
    QList<int> parts;
    for (const auto part : QStringView(text).split(u'.')) {
        constexpr qsizetype maximumDigits = 9;
        const bool digits
            = std::ranges::all_of(part, [](QChar character) { return character >= u'0' && character <= u'9'; });
        if (part.isEmpty() || part.size() > maximumDigits || !digits) {
            return std::nullopt;
        }
        parts.append(part.toInt());
    }
    return QVersionNumber(std::move(parts)).normalized();
}

} // namespace

std::optional<ReleaseVersion> ReleaseVersion::parse(const QString& version, const QString& build)
{
    const auto versionNumber = numbers(version);
    if (!versionNumber) {
        return std::nullopt;
    }
    ReleaseVersion release;
    release.m_version = *versionNumber;
    release.m_versionText = version;
    if (!build.isEmpty()) {
        const auto buildNumber = numbers(build);
        if (!buildNumber) {
            return std::nullopt;
        }
        release.m_build = *buildNumber;
        release.m_buildText = build;
    }
    return release;
}

QString ReleaseVersion::text() const
{
    return m_buildText.isEmpty() ? m_versionText : QStringLiteral("%1 (%2)").arg(m_versionText, m_buildText);
}

std::strong_ordering operator<=>(const ReleaseVersion& left, const ReleaseVersion& right)
{
    const int byVersion = QVersionNumber::compare(left.m_version, right.m_version);
    const int order = byVersion != 0 ? byVersion : QVersionNumber::compare(left.m_build, right.m_build);
    return order <=> 0;
}

} // namespace corvane
