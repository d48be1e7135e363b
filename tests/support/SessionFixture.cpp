#include "support/SessionFixture.h"

#include "service/AppSettings.h"

#include <QSettings>
#include <QTest>

#include <algorithm>

namespace corvane::test {

QByteArray SessionFixture::envelope(const QByteArray& member, const QList<QByteArray>& items)
{
    return ScriptedHttpServer::response(
        200, "{\"" + member + "\": [" + items.join(',') + "], \"count\": " + QByteArray::number(items.size()) + "}");
}

SessionFixture::SessionFixture()
{
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
    m_relay = std::make_unique<ScriptedHttpServer>();
    AppSettings::setServiceURL(m_relay->baseURL());
    AppSettings::setPollIntervalMs(60'000);
    script({}, {}, {});
    m_relay->script("/auth/callback",
        ScriptedHttpServer::response(
            200, R"({"api_key": "key-1", "account": {"id": "a", "email": "e@example.com", "tier": "self-hosted"}})"));
    for (int number = 1; number <= 9; ++number) {
        m_relay->script(
            "/webhooks/p" + QByteArray::number(number) + "/delivered", ScriptedHttpServer::response(204, ""));
    }
    m_notifications = std::make_unique<FakeNotificationServer>();
    m_notifier = std::make_unique<DesktopNotifier>(QDBusConnection::sessionBus(), CORVANE_TEST_SOUNDS_FOLDER);
    m_secrets = std::make_unique<FileSecretStore>(m_folder.filePath("api-token"));
    m_client = std::make_unique<ServiceClient>(m_network, *m_secrets);
    m_auth = std::make_unique<AuthCoordinator>(*m_client, *m_secrets, m_session);
}

SessionFixture::~SessionFixture()
{
    stop();
}

void SessionFixture::stop()
{
    m_state.reset();
    static_cast<void>(QTest::qWaitFor([] { return AppState::runningLoops() == 0; }, 10'000));
}

QByteArray SessionFixture::listener(
    const QByteArray& id, const QByteArray& name, const QByteArray& extra, const QByteArray& config)
{
    return "{\"id\": \"" + id + "\", \"listener_token\": \"t\", \"name\": \"" + name
        + "\", \"is_enabled\": true, \"notification_config\": " + config
        + ", \"created_at\": \"c\", \"updated_at\": \"u\", \"hook_path\": \"/h/t\"" + extra + "}";
}

QByteArray SessionFixture::payload(int number, const QByteArray& title)
{
    const QByteArray id = "p" + QByteArray::number(number);
    return "{\"id\": \"" + id
        + "\", \"listener_id\": \"l1\", \"listener_name\": \"Deploys\", \"method\": \"POST\", "
          "\"body\": {\"n\": "
        + QByteArray::number(number) + ", \"t\": \"" + title
        + "\"}, \"received_at\": \"r\", "
          "\"notification_config\": {\"title\": \"{{body.t}}\", \"body\": \"body {{body.n}}\"}}";
}

void SessionFixture::script(
    const QList<QByteArray>& listeners, const QList<QByteArray>& recent, const QList<QByteArray>& poll)
{
    m_relay->script("/listeners/", envelope("listeners", listeners));
    m_relay->script("/webhooks/recent?limit=100", envelope("webhooks", recent));
    m_relay->script("/webhooks/poll?limit=25", envelope("webhooks", poll));
}

const ScriptedHttpServer::Request* SessionFixture::sent(const QByteArray& method, const QByteArray& target) const
{
    const auto& requests = m_relay->requests();
    const auto found = std::ranges::find_if(requests, [&](const auto& request) {
        return request.method == method && (target.isEmpty() || request.target == target);
    });
    return found == requests.end() ? nullptr : &*found;
}

void SessionFixture::start(bool signedIn, SecretStore* secrets)
{
    stop();
    SecretStore& store = secrets != nullptr ? *secrets : *m_secrets;
    m_client = std::make_unique<ServiceClient>(m_network, store);
    m_auth = std::make_unique<AuthCoordinator>(*m_client, store, m_session);
    m_state = std::make_unique<AppState>(*m_client, store, *m_auth, *m_notifier, signedIn, AppSettings::accountEmail());
    if (signedIn) {
        static_cast<void>(QTest::qWaitFor([this] { return m_state->connected(); }, 10'000));
    }
}

} // namespace corvane::test
