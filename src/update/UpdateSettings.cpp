#include "update/UpdateSettings.h"

#include "update/AppVersion.h"

#include "BuildSettings.h"

namespace corvane {

UpdateSettings UpdateSettings::builtIn()
{
    const QVariantMap information = bundleInformation();
    UpdateSettings settings;
    settings.feedURL = QUrl(QStringLiteral(CORVANE_UPDATE_FEED_URL));
    settings.publicKey = QByteArrayLiteral(CORVANE_UPDATE_PUBLIC_KEY);
    settings.currentVersion = information.value(QString::fromLatin1(shortVersionKey)).toString();
    settings.currentBuild = information.value(QString::fromLatin1(buildNumberKey)).toString();
    return settings;
}

} // namespace corvane
