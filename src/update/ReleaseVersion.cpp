#include "update/ReleaseVersion.h"

#include <QList>
#include <QStringView>

#include <algorithm>

namespace corvane {
namespace {

// Digits separated by single dots and nothing else, without trailing zero parts. Each part has at most
// nine digits, so it fits an int.
std::optional<std::vector<int>> numbers(const QString& text)
{
    std::vector<int> parts;
    for (const auto part : QStringView(text).split(u'.')) {
        constexpr qsizetype maximumDigits = 9;
        const bool digits
            = std::ranges::all_of(part, [](QChar character) { return character >= u'0' && character <= u'9'; });
        if (part.isEmpty() || part.size() > maximumDigits || !digits) {
            return std::nullopt;
        }
        parts.push_back(part.toInt());
    }
    while (!parts.empty() && parts.back() == 0) {
        parts.pop_back();
    }
    return parts;
}

} // namespace

std::optional<ReleaseVersion> ReleaseVersion::parse(const QString& version, const QString& build)
{
    auto versionNumbers = numbers(version);
    if (!versionNumbers) {
        return std::nullopt;
    }
    ReleaseVersion release;
    release.m_version = *std::move(versionNumbers);
    release.m_versionText = version;
    if (!build.isEmpty()) {
        auto buildNumbers = numbers(build);
        if (!buildNumbers) {
            return std::nullopt;
        }
        release.m_build = *std::move(buildNumbers);
        release.m_buildText = build;
    }
    return release;
}

QString ReleaseVersion::text() const
{
    return m_buildText.isEmpty() ? m_versionText : QStringLiteral("%1 (%2)").arg(m_versionText, m_buildText);
}

// Without trailing zeros, a list that is a prefix of another is the lesser version (1.4 < 1.4.1), and
// otherwise the first differing part decides: exactly part-by-part numeric order.
std::strong_ordering operator<=>(const ReleaseVersion& left, const ReleaseVersion& right)
{
    const auto byVersion = left.m_version <=> right.m_version;
    return byVersion != std::strong_ordering::equal ? byVersion : left.m_build <=> right.m_build;
}

} // namespace corvane
