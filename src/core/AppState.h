#pragma once

#include "core/BannerEvent.h"
#include "core/RefireResult.h"
#include "core/SidebarSelection.h"
#include "model/Listener.h"
#include "model/Payload.h"
#include "service/MessageBodies.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <nlohmann/json.hpp>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>
#include <stop_token>
#include <vector>

namespace corvane {

class AuthCoordinator;
class Notifier;
class SecretStore;
class ServiceClient;

// The one model of the running application, on the GUI thread. Each published field has a change
// signal, emitted on every assignment. Operations never fail to their callers: a failed service call
// puts its description into lastError.
class AppState : public QObject {
    Q_OBJECT

public:
    // `signedIn` and `accountEmail` are what the secret store and the settings held at launch (or
    // signedIn false and restoreSession() to read the store). Starts at once (see start()).
    AppState(ServiceClient& client, SecretStore& secrets, AuthCoordinator& auth, Notifier& notifier, bool signedIn,
        std::optional<QString> accountEmail, QObject* parent = nullptr);
    ~AppState() override;

    const std::vector<Listener>& listeners() const { return m_listeners; }
    const std::vector<Payload>& activity() const { return m_activity; }
    const std::vector<BannerEvent>& recentBanner() const { return m_recentBanner; }
    bool paused() const { return m_paused; }
    const std::optional<QString>& lastError() const { return m_lastError; }
    bool connected() const { return m_connected; }
    const std::optional<QDateTime>& lastPollAt() const { return m_lastPollAt; }
    const std::optional<SidebarSelection>& sidebarSelection() const { return m_sidebarSelection; }
    bool signedIn() const { return m_signedIn; }
    bool signingIn() const { return m_signingIn; }
    // While restoreSession() waits for the secret store: neither signed in nor signed out yet.
    bool restoringSession() const { return m_restoringSession; }
    // While signOut() waits for the secret store.
    bool signingOut() const { return m_signingOut; }
    const std::optional<QString>& accountEmail() const { return m_accountEmail; }
    // Where the API key is kept.
    SecretStore& secrets() const { return *m_secrets; }

    void setPaused(bool paused);
    void setSidebarSelection(std::optional<SidebarSelection> selection);
    // Shows a screen's own failed request through lastError.
    void reportError(const QString& description);

    // What the state was made with, for screens that talk to the service or the desktop themselves.
    ServiceClient& client() const { return *m_client; }

    // Once per process: asks for notification permission and, when signed in, starts polling.
    void start();
    // Replaces the polling loop with a new one (without waiting for the old one to end).
    void startPolling();
    bool isPolling() const { return m_pollStop.has_value(); }
    // The pause between two poll cycles, read afresh from the settings: 4 s when "pollIntervalMs" is
    // missing, 0 or negative; otherwise that many milliseconds, at least 500 and at most a day.
    static std::chrono::milliseconds pollInterval();
    // Polling loops of every state in the process that have not ended yet (a replaced or cancelled
    // loop ends once its cycle has finished).
    static int runningLoops();

    // Browser sign-in; a call while one runs does nothing. Success stores the session and restarts
    // polling; a failure other than a cancelled browser session is shown through lastError.
    QCoro::Task<> signIn();
    // Reads whether an earlier run left a non-empty key in the secret store; restoringSession() is true
    // meanwhile. A stored key signs in and starts polling; none, or an empty one, leaves the state
    // signed out. A read the store cannot answer (SecretStore::lookUp) counts as neither: lastError
    // says so, and it is tried again after 1 s, 2 s, 4 s and so on, at most a minute apart, for as
    // long as the state lives.
    QCoro::Task<> restoreSession();
    // Stops polling and forgets the stored key and e-mail; once the secret store has confirmed that the
    // key is gone, the state is signed out and its lists empty. When the store does not confirm, the
    // state stays signed in, polling again, and says so in lastError. The service is not told; a call
    // while one runs does nothing.
    QCoro::Task<> signOut();
    // Returns once no sign-out is waiting for the secret store, or after `limit`: quitting waits for
    // this, or the next start may find the key still stored. The state must outlive the wait.
    QCoro::Task<> finishSigningOut(std::chrono::milliseconds limit);

    // The first local listener with exactly this id; never asks the service.
    std::optional<Listener> listener(const QString& id) const;
    nlohmann::json payloadContext(const Payload& payload) const;

    // Posts a stored payload again with its listener's current name and set-up.
    QCoro::Task<RefireResult> refire(Payload payload);
    // Posts what `config` renders over `context` as typed: an unset title or body shows as empty text,
    // and the filter is not asked. `payloadId` names the webhook the context was made from, if any.
    QCoro::Task<> testFire(NotificationConfig config, nlohmann::json context, QString payloadId);

    QCoro::Task<> refreshListeners();
    QCoro::Task<std::optional<Listener>> createListener(QString name);
    QCoro::Task<std::optional<Listener>> updateListener(QString id, std::optional<QString> name,
        std::optional<NotificationConfig> config, std::optional<bool> isEnabled, VerificationUpdate verification = {});
    QCoro::Task<> deleteListener(QString id);

signals:
    void listenersChanged();
    void activityChanged();
    void recentBannerChanged();
    void pausedChanged();
    void lastErrorChanged();
    void connectedChanged();
    void lastPollAtChanged();
    void sidebarSelectionChanged();
    void signedInChanged();
    void signingInChanged();
    void restoringSessionChanged();
    void signingOutChanged();
    void accountEmailChanged();

private:
    friend class AppStateTest;

    // The loop holds the state weakly: it never keeps it alive.
    static QCoro::Task<> pollingLoop(QPointer<AppState> state, std::stop_token stop);
    // One poll cycle; its requests fail as cancelled once `stop` is requested.
    QCoro::Task<> tick(std::stop_token stop);
    QCoro::Task<> deliver(Payload payload);
    // Filters, renders and posts, with `notice` ahead of the rendered body; false when the filter rejects
    // the payload.
    QCoro::Task<bool> post(nlohmann::json context, NotificationConfig config, QString payloadId, QString listenerName,
        QString notice, bool trimToLimit);

    void setListeners(std::vector<Listener> listeners);
    void setActivity(std::vector<Payload> activity);
    void setLastError(std::optional<QString> error);
    void setConnected(bool connected);
    void setLastPollAt(std::optional<QDateTime> at);

    void setSignedIn(bool signedIn);
    void setSigningIn(bool signingIn);
    void setRestoringSession(bool restoring);
    void setSigningOut(bool signingOut);
    void setAccountEmail(std::optional<QString> email);

    ServiceClient* m_client;
    SecretStore* m_secrets;
    AuthCoordinator* m_auth;
    Notifier* m_notifier;
    std::vector<Listener> m_listeners;
    std::vector<Payload> m_activity;
    std::vector<BannerEvent> m_recentBanner;
    bool m_paused = false;
    std::optional<QString> m_lastError;
    bool m_connected = false;
    std::optional<QDateTime> m_lastPollAt;
    std::optional<SidebarSelection> m_sidebarSelection;
    bool m_signedIn;
    bool m_signingIn = false;
    bool m_restoringSession = false;
    bool m_signingOut = false;
    std::optional<QString> m_accountEmail;
    std::optional<std::stop_source> m_pollStop;
    std::stop_source m_restoreStop;
    bool m_started = false;
};

} // namespace corvane
