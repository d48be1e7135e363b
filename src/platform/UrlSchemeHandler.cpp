#include "platform/UrlSchemeHandler.h"

#include "platform/DesktopEntry.h"
#include "platform/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <qcoro/qcoroprocess.h>

#include <algorithm>

namespace corvane::UrlSchemeHandler {
namespace {

constexpr auto xdgMimeTimeout = std::chrono::seconds(10);

// Runs xdg-mime with `arguments`; its standard output, or none when it failed.
QCoro::Task<std::optional<QString>> xdgMime(QString program, QStringList arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    auto running = qCoro(process);
    if (!co_await running.start(program, arguments) || !co_await running.waitForFinished(xdgMimeTimeout)
        || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qCWarning(lcPlatform).noquote() << "xdg-mime" << arguments.join(' ') << "failed:"
                                        << QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        co_return std::nullopt;
    }
    co_return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// How every hidden entry this program writes begins, and so how it knows one of its own.
constexpr auto hiddenEntryHead = "[Desktop Entry]\nType=Application\nName=corvane\nNoDisplay=true\n";

bool writeHiddenEntry(const QString& path, const QString& scheme, const QString& executable)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QString entry = QString::fromLatin1(hiddenEntryHead)
        + QStringLiteral("Exec=%1\nMimeType=x-scheme-handler/%2;\n")
              .arg(DesktopEntry::escapeString(execLine(executable)), scheme);
    file.write(entry.toUtf8());
    return file.commit();
}

// The user's own entry called `desktopId`, where the hidden one is written.
QString userEntryPath(const QString& desktopId)
{
    return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + u'/' + desktopId;
}

// Whether an entry called `desktopId` is installed: in one of the system's applications folders
// ($XDG_DATA_DIRS), not in the user's own.
bool hasInstalledEntry(const QString& desktopId)
{
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    return std::ranges::any_of(folders,
        [&](const QString& folder) { return folder != userFolder && QFileInfo(folder + u'/' + desktopId).isFile(); });
}

// A hidden entry that a build run from a source tree wrote before the program was installed hides the
// installed entry (from the launcher too, being NoDisplay) and starts that build: it goes. An entry of
// the user's own under the same name stays.
void removeOwnHiddenEntry(const QString& desktopId)
{
    const QString path = userEntryPath(desktopId);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.readAll().startsWith(hiddenEntryHead)) {
        return;
    }
    file.close();
    if (file.remove()) {
        qCInfo(lcPlatform).noquote() << "removed" << path << "which hid the installed" << desktopId;
    } else {
        qCWarning(lcPlatform).noquote() << "cannot remove" << path << "which hides the installed" << desktopId;
    }
}

} // namespace

QString execLine(const QString& executable)
{
    return DesktopEntry::quoteExecArgument(executable) + QStringLiteral(" %u");
}

QCoro::Task<> ensureRegistered(QString desktopId, QString scheme, QString executable)
{
    const bool installed = hasInstalledEntry(desktopId);
    if (installed) {
        removeOwnHiddenEntry(desktopId);
    }
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (program.isEmpty()) {
        qCWarning(lcPlatform) << "xdg-mime is not installed: links that end a browser sign-in cannot reach corvane";
        co_return;
    }
    const QString mimeType = QStringLiteral("x-scheme-handler/") + scheme;
    const QStringList query{QStringLiteral("query"), QStringLiteral("default"), mimeType};
    const auto current = co_await xdgMime(program, query);
    if (!current || !current->isEmpty()) {
        co_return;
    }
    if (!installed && QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId).isEmpty()) {
        const QString path = userEntryPath(desktopId);
        if (!writeHiddenEntry(path, scheme, executable)) {
            qCWarning(lcPlatform) << "cannot write" << path;
            co_return;
        }
    }
    const QStringList choose{QStringLiteral("default"), desktopId, mimeType};
    co_await xdgMime(program, choose);
}

} // namespace corvane::UrlSchemeHandler
