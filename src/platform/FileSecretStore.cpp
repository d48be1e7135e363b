#include "platform/FileSecretStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

namespace corvane {

FileSecretStore::FileSecretStore(QString path) : m_path(std::move(path))
{
}

QString FileSecretStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/corvane/api-token";
}

QCoro::Task<std::optional<QString>> FileSecretStore::read()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        co_return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString token = decoder.decode(bytes);
    if (decoder.hasError()) {
        co_return std::nullopt;
    }
    co_return token;
}

QCoro::Task<int> FileSecretStore::write(QString token)
{
    const QFileInfo info(m_path);
    QDir folder = info.dir();
    if (!folder.mkpath(".")
        || !QFile::setPermissions(
            folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        co_return folderNotCreated;
    }
    QSaveFile file(m_path);
    // The new file gets its permissions before any byte of the token is written to it.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(token.toUtf8()) < 0 || !file.commit()) {
        co_return fileNotWritten;
    }
    co_return 0;
}

} // namespace corvane
