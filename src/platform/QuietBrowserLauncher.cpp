#include "platform/QuietBrowserLauncher.h"

#include "platform/Logging.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace corvane {
namespace {

const QStringList webSchemes{QStringLiteral("http"), QStringLiteral("https")};

} // namespace

QuietBrowserLauncher::QuietBrowserLauncher(QObject* parent)
    : QObject(parent), m_opener(QStandardPaths::findExecutable(QStringLiteral("xdg-open")))
{
    if (m_opener.isEmpty()) {
        return;
    }
    for (const QString& scheme : webSchemes) {
        QDesktopServices::setUrlHandler(scheme, this, "open");
    }
}

QuietBrowserLauncher::~QuietBrowserLauncher()
{
    if (m_opener.isEmpty()) {
        return;
    }
    for (const QString& scheme : webSchemes) {
        QDesktopServices::unsetUrlHandler(scheme);
    }
}

void QuietBrowserLauncher::open(const QUrl& url)
{
    QProcess opener;
    opener.setProgram(m_opener);
    opener.setArguments({url.toString(QUrl::FullyEncoded)});
    opener.setStandardInputFile(QProcess::nullDevice());
    opener.setStandardOutputFile(QProcess::nullDevice());
    opener.setStandardErrorFile(QProcess::nullDevice());
    if (!opener.startDetached()) {
        qCWarning(lcPlatform) << "xdg-open could not be started for a web page";
    }
}

} // namespace corvane
