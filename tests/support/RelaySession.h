#pragma once

#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "platform/DesktopNotifier.h"
#include "platform/SecretServiceStore.h"
#include "service/ServiceClient.h"
#include "support/FakeNotificationServer.h"
#include "support/FakeWebAuthenticationSession.h"
#include "support/RelayClient.h"
#include "support/RelayProcess.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <memory>

namespace corvane::test {

// The real parts of a person's session: a corvane-relay process, the key in the session's Secret
// Service, a notification server on the session bus, and the AppState over them.
class RelaySession {
public:
    // `ownerKey` is the relay's API_TOKEN and the key kept in the keyring; empty, the relay has none
    // (its page signs the owner in) and no key is kept.
    explicit RelaySession(const QByteArray& ownerKey = {});
    ~RelaySession();

    // Starts the relay, points the cleared settings at it (polling every 500 ms) and keeps the key.
    // False when any of that failed.
    bool start();
    // A state made as the app makes it on start: signed in when the keyring holds a key. Its sign-in
    // goes through `browser`, or the fixture's fake one when none.
    AppState& startState(WebAuthenticationSession* browser = nullptr);
    // The state gone; waits (bounded) until its loops have ended.
    void stopState();

    // POSTs the JSON `body` to a listener's hook path; the status.
    int post(const QString& hookPath, const QByteArray& body, const HeaderList& headers = {});

    QString baseURL() const;
    RelayProcess& relay() { return m_relay; }
    ServiceClient& client() { return m_client; }
    SecretServiceStore& secrets() { return m_secrets; }
    FakeNotificationServer& notifications() { return m_notifications; }
    AppState& state() { return *m_state; }

private:
    QByteArray m_ownerKey;
    RelayProcess m_relay;
    QTemporaryDir m_folder;
    SecretServiceStore m_secrets;
    QNetworkAccessManager m_network;
    ServiceClient m_client;
    FakeNotificationServer m_notifications;
    DesktopNotifier m_notifier;
    FakeWebAuthenticationSession m_browser;
    std::unique_ptr<RelayClient> m_sender;
    std::unique_ptr<AuthCoordinator> m_auth;
    std::unique_ptr<AppState> m_state;
};

} // namespace corvane::test
