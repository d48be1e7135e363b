#pragma once

#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "platform/DesktopNotifier.h"
#include "platform/FileSecretStore.h"
#include "service/ServiceClient.h"
#include "support/FakeNotificationServer.h"
#include "support/FakeWebAuthenticationSession.h"
#include "support/ScriptedHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <memory>

namespace corvane::test {

// A real AppState fed by a scripted relay, with a notification server on the bus and a browser
// session the test ends: what the state's and the widgets' tests observe.
class SessionFixture {
public:
    // Clears the settings and points them at the scripted relay, polling once a minute.
    SessionFixture();
    ~SessionFixture();

    // A listener's JSON; `extra` adds members such as ", \"undelivered_count\": 1".
    static QByteArray listener(
        const QByteArray& id, const QByteArray& name, const QByteArray& extra = "", const QByteArray& config = "{}");
    // A 200 answer {"<member>": [items], "count": n}.
    static QByteArray envelope(const QByteArray& member, const QList<QByteArray>& items);
    // Payload "p<number>" of the listener "Deploys", whose title renders to `title`, body to "body <number>".
    static QByteArray payload(int number, const QByteArray& title);

    // What the relay answers to the listing, the recent list and the poll from now on.
    void script(const QList<QByteArray>& listeners, const QList<QByteArray>& recent, const QList<QByteArray>& poll);

    // Creates the state over `secrets` (the fixture's own file when none); signed in, it waits
    // (bounded) until the first cycle has connected.
    void start(bool signedIn, SecretStore* secrets = nullptr);
    AppState& state() { return *m_state; }
    FileSecretStore& secrets() { return *m_secrets; }
    DesktopNotifier& notifier() { return *m_notifier; }
    ServiceClient& client() { return *m_client; }
    AuthCoordinator& auth() { return *m_auth; }
    FakeNotificationServer& notifications() { return *m_notifications; }
    // The state made by start(), gone; the fixture waits (bounded) until its loops have ended.
    void stop();
    FakeWebAuthenticationSession& session() { return m_session; }
    // The scripted relay, for answers and requests beyond those above.
    ScriptedHttpServer& relay() { return *m_relay; }
    // The first request the relay received with `method` (and `target`, when given); null when none.
    const ScriptedHttpServer::Request* sent(const QByteArray& method, const QByteArray& target = {}) const;

private:
    QTemporaryDir m_folder;
    QNetworkAccessManager m_network;
    std::unique_ptr<ScriptedHttpServer> m_relay;
    std::unique_ptr<FakeNotificationServer> m_notifications;
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::unique_ptr<FileSecretStore> m_secrets;
    std::unique_ptr<ServiceClient> m_client;
    FakeWebAuthenticationSession m_session;
    std::unique_ptr<AuthCoordinator> m_auth;
    std::unique_ptr<AppState> m_state;
};

} // namespace corvane::test
