#include "support/RelaySession.h"

#include "service/AppSettings.h"

#include <QSettings>
#include <QTest>

#include <qcoro/qcorotask.h>

namespace corvane::test {

RelaySession::RelaySession(const QByteArray& ownerKey)
    : m_ownerKey(ownerKey), m_relay(ownerKey.isEmpty() ? QStringList() : QStringList{"API_TOKEN=" + ownerKey}),
      m_secrets(std::chrono::seconds(10), m_folder.filePath("fallback")), m_client(m_network, m_secrets),
      m_notifier(QDBusConnection::sessionBus(), CORVANE_TEST_SOUNDS_FOLDER)
{
}

RelaySession::~RelaySession()
{
    stopState();
}

bool RelaySession::start()
{
    if (!m_relay.start()) {
        return false;
    }
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
    AppSettings::setServiceURL(baseURL());
    AppSettings::setPollIntervalMs(500);
    m_sender = std::make_unique<RelayClient>(m_relay);
    return QCoro::waitFor(AppSettings::keychainWrite(m_secrets, QString::fromUtf8(m_ownerKey)));
}

AppState& RelaySession::startState(WebAuthenticationSession* browser)
{
    stopState();
    const auto key = QCoro::waitFor(AppSettings::keychainRead(m_secrets));
    m_auth = std::make_unique<AuthCoordinator>(m_client, m_secrets, browser != nullptr ? *browser : m_browser);
    m_state = std::make_unique<AppState>(
        m_client, m_secrets, *m_auth, m_notifier, key && !key->isEmpty(), AppSettings::accountEmail());
    return *m_state;
}

void RelaySession::stopState()
{
    m_state.reset();
    static_cast<void>(QTest::qWaitFor([] { return AppState::runningLoops() == 0; }, 10'000));
}

int RelaySession::post(const QString& hookPath, const QByteArray& body, const HeaderList& headers)
{
    return m_sender->send("POST", hookPath, body, HeaderList{{"Content-Type", "application/json"}} + headers).status;
}

QString RelaySession::baseURL() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_relay.port());
}

} // namespace corvane::test
