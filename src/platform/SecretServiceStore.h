#pragma once

#include "platform/FileSecretStore.h"

#include <QDeadlineTimer>
#include <QFuture>
#include <QObject>

#include <chrono>

namespace corvane {

// The token as one item of the freedesktop Secret Service (attributes service = dev.corvane.app.key,
// account = apiToken), through libsecret on the thread pool so that the GUI thread never waits on the
// keyring. Every call gives up after `timeout` (a locked keyring can prompt forever). When no Secret
// Service is reachable at all, the token goes to `fallback` instead, which is logged once. A call that
// is still running when the store is destroyed reads nothing and fails to write.
// A token found, in the Secret Service or in the fallback file, answers the reads that follow from
// memory for up to `remembered`, until the next write through this store or until forget(): the app
// reads the token for every request it sends, and each libsecret lookup costs a thread, D-Bus round
// trips, a Diffie-Hellman exchange for the session and (libsecret 0.20) about a kilobyte that is never
// freed. A change another program makes to the item is therefore seen after that time, the next write,
// a refused request or a restart. The reading back of a write asks the Secret Service itself.
class SecretServiceStore final : public QObject, public SecretStore {
    Q_OBJECT

public:
    explicit SecretServiceStore(std::chrono::milliseconds timeout = std::chrono::seconds(10),
        QString fallbackPath = FileSecretStore::defaultPath(), QObject* parent = nullptr);

    QCoro::Task<std::optional<QString>> read() override;
    // Fails with the libsecret error code when the Secret Service answers with an error or not in time.
    QCoro::Task<std::expected<std::optional<QString>, int>> lookUp() override;
    QCoro::Task<int> write(QString token) override;
    void forget() override;

    // How long a token found answers from memory.
    static constexpr std::chrono::minutes remembered{15};

    // The error code of a call that ran out of time (GLib's G_IO_ERROR_CANCELLED).
    static const int timedOut;

    // What one libsecret call came to.
    struct Outcome {
        std::optional<QString> token;
        int code = 0;
        bool serviceMissing = false;
    };

private:
    // Runs a libsecret call on the thread pool, cancelled when the timeout passes.
    template <class Call> QFuture<Outcome> start(const Call& call) const;
    void noteFallback();
    // Keeps `token` as what reads give, unless a write began or failed since the lookup that found it.
    void remember(const std::optional<QString>& token, quint64 writesBefore, bool keep);

    std::chrono::milliseconds m_timeout;
    FileSecretStore m_fallback;
    bool m_fallbackNoted = false;
    // The token last found, while no write has begun since, and when it was found.
    std::optional<QString> m_found;
    QDeadlineTimer m_foundExpires;
    // Writes begun so far, and whether the last one is running or failed (a write that ran out of time
    // may still land later): a lookup that overlapped a write, or follows a failed one, is not kept.
    quint64 m_writes = 0;
    bool m_writeUnsettled = false;
};

} // namespace corvane
