#include "update/AppVersion.h"

#include "BuildSettings.h"

namespace corvane {
namespace {

QString textOrQuestionMark(const QVariantMap& information, const char* key)
{
    const QVariant value = information.value(QString::fromLatin1(key));
    return value.typeId() == QMetaType::QString ? value.toString() : QStringLiteral("?");
}

} // namespace

QVariantMap bundleInformation()
{
    return {
        {QString::fromLatin1(shortVersionKey), QStringLiteral(CORVANE_SHORT_VERSION)},
        {QString::fromLatin1(buildNumberKey), QStringLiteral(CORVANE_BUILD_NUMBER)},
    };
}

QString appVersion(const QVariantMap& information)
{
    return QStringLiteral("%1 (%2)").arg(
        textOrQuestionMark(information, shortVersionKey), textOrQuestionMark(information, buildNumberKey));
}

QString appVersion()
{
    return appVersion(bundleInformation());
}

} // namespace corvane
