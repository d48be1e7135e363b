#include "platform/TrayHostWatcher.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QPointer>

#include <qcoro/qcorodbuspendingcall.h>

namespace corvane {
namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int answerTimeoutMs = 5000;

} // namespace

TrayHostWatcher::TrayHostWatcher(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)),
      m_watcher(watcherService, m_bus, QDBusServiceWatcher::WatchForRegistration)
{
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWatcher::watcherRegistered);
    m_bus.connect(watcherService, watcherPath, watcherService, QStringLiteral("StatusNotifierHostRegistered"), this,
        SIGNAL(appeared()));
}

QCoro::Task<> TrayHostWatcher::check()
{
    QPointer self(this);
    const bool present = co_await hostRegistered();
    if (self) {
        emit checked(present);
    }
}

QCoro::Task<> TrayHostWatcher::watcherRegistered()
{
    QPointer self(this);
    const bool present = co_await hostRegistered();
    if (self && present) {
        emit appeared();
    }
}

QCoro::Task<bool> TrayHostWatcher::hostRegistered()
{
    auto question = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = co_await QDBusPendingCall(m_bus.asyncCall(question, answerTimeoutMs));
    co_return reply.type()
        == QDBusMessage::ReplyMessage&& reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

} // namespace corvane
