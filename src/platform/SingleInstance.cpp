#include "platform/SingleInstance.h"

#include "platform/Logging.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace corvane {
namespace {

constexpr qint64 longestLine = 64LL * 1024;
constexpr int requestTimeoutMs = 5000;
const QByteArray activateRequest = "activate";
const QByteArray openRequest = "open ";
const QByteArray answer = "ok\n";
const QByteArray tokenField = "activation-token=";
constexpr char fieldSeparator = '\t';

// The value of the field `name` ("name=value") among `fields`; empty when absent.
QString field(const QList<QByteArray>& fields, const QByteArray& name)
{
    const auto found = std::ranges::find_if(fields, [&name](const QByteArray& each) { return each.startsWith(name); });
    return found == fields.end() ? QString() : QString::fromUtf8(found->mid(name.size()));
}

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
bool SingleInstance::forward(
    const std::optional<QString>& url, const QString& activationToken, std::chrono::milliseconds timeout) const
{
    const QDeadlineTimer deadline(timeout);
    QByteArray request = url ? openRequest + url->toUtf8() : activateRequest;
    // A token that would break the line is not one a desktop hands out.
    const QByteArray token = activationToken.toUtf8();
    if (!token.isEmpty() && !token.contains(fieldSeparator) && !token.contains('\n')) {
        request += fieldSeparator + tokenField + token;
    }
    request += '\n';
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
            const QList<QByteArray> fields = socket->readLine(longestLine).trimmed().split(fieldSeparator);
            socket->write(answer);
            socket->disconnectFromServer();
            const QByteArray& command = fields.front();
            const QString token = field(fields.mid(1), tokenField);
            if (command == activateRequest) {
                emit activationRequested(token);
            } else if (command.startsWith(openRequest)) {
                emit urlReceived(QString::fromUtf8(command.mid(openRequest.size())), token);
            } else {
                qCWarning(lcPlatform) << "ignored a request from another corvane process";
            }
        });
    }
}

} // namespace corvane
