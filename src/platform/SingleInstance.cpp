#include "platform/SingleInstance.h"

#include "platform/Logging.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace corvane {
namespace {

constexpr qint64 longestLine = 64LL * 1024;
constexpr int requestTimeoutMs = 5000;
const QByteArray activateRequest = "activate";
const QByteArray openRequest = "open ";
const QByteArray answer = "ok\n";

} // namespace

SingleInstance::SingleInstance(QString folder, QObject* parent) : QObject(parent), m_folder(std::move(folder))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::receive);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/corvane");
}

QString SingleInstance::socketPath() const
{
    return m_folder + QStringLiteral("/instance.socket");
}

bool SingleInstance::claim()
{
    if (!QDir().mkpath(m_folder)) {
        qCWarning(lcPlatform) << "cannot create" << m_folder;
        return false;
    }
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto lock = std::make_unique<QLockFile>(m_folder + QStringLiteral("/instance.lock"));
    // A lock left by a process that no longer runs is taken over (QLockFile checks the process id).
    if (!lock->tryLock(0)) {
        return false;
    }
    QLocalServer::removeServer(socketPath());
    if (!m_server.listen(socketPath())) {
        qCWarning(lcPlatform) << "cannot listen on" << socketPath() << m_server.errorString();
        return false;
    }
    m_lock = std::move(lock);
    return true;
}

// The forwarding process has nothing else to do, so it waits in place, always within `timeout`.
bool SingleInstance::forward(const std::optional<QString>& url, std::chrono::milliseconds timeout) const
{
    const QDeadlineTimer deadline(timeout);
    const QByteArray request = (url ? openRequest + url->toUtf8() : activateRequest) + '\n';
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            // The running instance may still be starting up: try again shortly.
            QThread::msleep(50);
            continue;
        }
        socket.write(request);
        QByteArray reply;
        while (!reply.endsWith('\n') && socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            reply += socket.readAll();
        }
        return reply == answer;
    }
    return false;
}

void SingleInstance::receive()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(requestTimeoutMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > longestLine) {
                    socket->abort();
                }
                return;
            }
            const QByteArray line = socket->readLine(longestLine).trimmed();
            socket->write(answer);
            socket->disconnectFromServer();
            if (line == activateRequest) {
                emit activationRequested();
            } else if (line.startsWith(openRequest)) {
                emit urlReceived(QString::fromUtf8(line.mid(openRequest.size())));
            } else {
                qCWarning(lcPlatform) << "ignored a request from another corvane process";
            }
        });
    }
}

} // namespace corvane
