#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace corvane {

// One running instance per user session. The first process to start holds a lock file and listens on
// a local socket beside it; later processes hand their request (raise the window, or open a URL) to
// it and exit.
//
// Protocol: one line of UTF-8 from the new process, "activate" or "open <url>", optionally followed by
// tab-separated "name=value" fields (the running one ignores names it does not know), answered with
// "ok". The field "activation-token" carries the desktop's permission to take the focus
// (WindowActivation).
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `folder` holds the lock file and the socket: by default a per-user runtime folder.
    explicit SingleInstance(QString folder = defaultFolder(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultFolder();

    // True when this process is now the running instance and listens for the others.
    bool claim();

    // Hands a request to the running instance: `url`, or none to raise its window, with the desktop's
    // `activationToken` when there is one. False when no instance answered within `timeout`.
    bool forward(
        const std::optional<QString>& url, const QString& activationToken, std::chrono::milliseconds timeout) const;

signals:
    // `activationToken` is empty when the other process had none.
    void activationRequested(const QString& activationToken);
    void urlReceived(const QString& url, const QString& activationToken);

private:
    void receive();
    QString socketPath() const;

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

} // namespace corvane
