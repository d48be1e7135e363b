#include "platform/TrayHostWatcher.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QPointer>

#include <qcoro/qcorodbuspendingcall.h>

namespace corvane {
namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
constexpr int checkTimeoutMs = 5000;

} // namespace

TrayHostWatcher::TrayHostWatcher(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)),
      m_watcher(watcherService, m_bus, QDBusServiceWatcher::WatchForRegistration)
{
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWatcher::appeared);
}

QCoro::Task<> TrayHostWatcher::check()
{
    QPointer self(this);
    auto question = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("NameHasOwner"));
    question << watcherService;
    const QDBusMessage reply = co_await QDBusPendingCall(m_bus.asyncCall(question, checkTimeoutMs));
    if (self) {
        emit checked(reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool());
    }
}

} // namespace corvane
