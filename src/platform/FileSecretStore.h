#pragma once

#include "platform/SecretStore.h"

namespace corvane {

// The token in a file only its owner can read (mode 0600, in a 0700 folder), for desktops without a
// Secret Service.
class FileSecretStore final : public SecretStore {
public:
    explicit FileSecretStore(QString path);

    // $XDG_CONFIG_HOME/corvane/api-token
    static QString defaultPath();

    const QString& path() const { return m_path; }

    QCoro::Task<std::optional<QString>> read() override;
    QCoro::Task<int> write(QString token) override;

    // Error codes of write.
    static constexpr int folderNotCreated = 1;
    static constexpr int fileNotWritten = 2;

private:
    QString m_path;
};

} // namespace corvane
