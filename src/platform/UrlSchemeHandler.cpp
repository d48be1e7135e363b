#include "platform/UrlSchemeHandler.h"

#include "platform/DesktopEntry.h"
#include "platform/Logging.h"

#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <qcoro/qcoroprocess.h>

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

bool writeHiddenEntry(const QString& path, const QString& scheme, const QString& executable)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=corvane\nNoDisplay=true\n"
                                         "Exec=%1\nMimeType=x-scheme-handler/%2;\n")
                              .arg(DesktopEntry::escapeString(execLine(executable)), scheme);
    file.write(entry.toUtf8());
    return file.commit();
}

} // namespace

QString execLine(const QString& executable)
{
    return DesktopEntry::quoteExecArgument(executable) + QStringLiteral(" %u");
}

QCoro::Task<> ensureRegistered(QString desktopId, QString scheme, QString executable)
{
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
    if (QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId).isEmpty()) {
        const QString path
            = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + QStringLiteral("/") + desktopId;
        if (!writeHiddenEntry(path, scheme, executable)) {
            qCWarning(lcPlatform) << "cannot write" << path;
            co_return;
        }
    }
    const QStringList choose{QStringLiteral("default"), desktopId, mimeType};
    co_await xdgMime(program, choose);
}

} // namespace corvane::UrlSchemeHandler
