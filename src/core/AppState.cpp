#include "core/AppState.h"

#include "auth/AuthCoordinator.h"
#include "core/CancellableSleep.h"
#include "core/ChangeWaiter.h"
#include "evaluation/JSONPathFilter.h"
#include "evaluation/NotificationContent.h"
#include "evaluation/PayloadContext.h"
#include "platform/Notifier.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"

#include <QThreadPool>

#include <qcoro/qcorosignal.h>

#include <algorithm>
#include <utility>

namespace corvane {
namespace {

constexpr int pollLimit = 25;
constexpr int recentLimit = 100;
constexpr std::size_t bannerLimit = 50;

int loopCount = 0; // touched on the GUI thread only

Notification notificationOf(const NotificationContent& content, const std::optional<std::string>& sound,
    QString payloadId, const QString& notice)
{
    return {
        .title = QString::fromStdString(content.title),
        .body = notice + QString::fromStdString(content.body),
        .sound = sound.transform([](const std::string& name) { return QString::fromStdString(name); }),
        .payloadId = std::move(payloadId),
        .link = content.link.and_then([](const std::string& text) -> std::optional<QUrl> {
            QUrl link(QString::fromStdString(text), QUrl::StrictMode);
            return link.isValid() ? std::optional(std::move(link)) : std::nullopt;
        }),
    };
}

// The line that heads the body of a notification whose sender failed the signature check, with its
// line break; empty for every other payload.
QString unverifiedNotice(const Payload& payload)
{
    if (!payload.verification || payload.verification->verified()) {
        return {};
    }
    const std::string reason = payload.verification->reason.value_or("no reason given");
    return AppState::tr("Unverified sender: %1").arg(QString::fromStdString(reason)) + u'\n';
}

} // namespace

AppState::AppState(ServiceClient& client, SecretStore& secrets, AuthCoordinator& auth, Notifier& notifier,
    bool signedIn, std::optional<QString> accountEmail, QObject* parent)
    : QObject(parent), m_client(&client), m_secrets(&secrets), m_auth(&auth), m_notifier(&notifier),
      m_signedIn(signedIn), m_accountEmail(std::move(accountEmail))
{
    start();
}

AppState::~AppState()
{
    m_restoreStop.request_stop();
    if (m_pollStop) {
        m_pollStop->request_stop();
    }
}

void AppState::setPaused(bool paused)
{
    m_paused = paused;
    emit pausedChanged();
}

void AppState::setSignedIn(bool signedIn)
{
    m_signedIn = signedIn;
    emit signedInChanged();
}

void AppState::setSigningIn(bool signingIn)
{
    m_signingIn = signingIn;
    emit signingInChanged();
}

void AppState::setRestoringSession(bool restoring)
{
    m_restoringSession = restoring;
    emit restoringSessionChanged();
}

void AppState::setSigningOut(bool signingOut)
{
    m_signingOut = signingOut;
    emit signingOutChanged();
}

void AppState::setAccountEmail(std::optional<QString> email)
{
    m_accountEmail = std::move(email);
    emit accountEmailChanged();
}

void AppState::setSidebarSelection(std::optional<SidebarSelection> selection)
{
    m_sidebarSelection = std::move(selection);
    emit sidebarSelectionChanged();
}

void AppState::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_notifier->requestAuthorizationIfNeeded();
    if (m_signedIn) {
        startPolling();
    }
}

void AppState::startPolling()
{
    if (m_pollStop) {
        m_pollStop->request_stop();
    }
    m_pollStop.emplace();
    m_client->forgetEntityTags();
    pollingLoop(this, m_pollStop->get_token());
}

QCoro::Task<> AppState::signIn()
{
    if (m_signingIn) {
        co_return;
    }
    setSigningIn(true);
    QPointer self(this);
    auto result = co_await m_auth->signIn();
    if (!self) {
        co_return;
    }
    if (result) {
        setSignedIn(true);
        setAccountEmail(QString::fromStdString(result->account.email));
        setLastError(std::nullopt);
        startPolling();
    } else if (!isCancelled(result.error())) {
        setLastError(description(result.error()));
    }
    setSigningIn(false);
}

QCoro::Task<> AppState::restoreSession()
{
    setRestoringSession(true);
    QPointer self(this);
    std::chrono::seconds pause(1);
    auto found = co_await m_secrets->lookUp();
    while (self && !found) {
        setLastError(QStringLiteral("The keychain did not answer when asked for your API key (error %1); asking "
                                    "again in %2 s.")
                .arg(found.error())
                .arg(pause.count()));
        co_await cancellableSleep(pause, m_restoreStop.get_token());
        if (!self) {
            co_return;
        }
        pause = std::min<std::chrono::seconds>(pause * 2, std::chrono::minutes(1));
        found = co_await m_secrets->lookUp();
    }
    if (!self) {
        co_return;
    }
    if (m_lastError) {
        setLastError(std::nullopt);
    }
    const std::optional<QString> token = found.value_or(std::nullopt);
    // Signed in first, so that screens following both never pass through the signed-out ones.
    if (token && !token->isEmpty()) {
        setSignedIn(true);
        startPolling();
    }
    setRestoringSession(false);
}

QCoro::Task<> AppState::signOut()
{
    if (m_signingOut) {
        co_return;
    }
    setSigningOut(true);
    if (m_pollStop) {
        m_pollStop->request_stop();
        m_pollStop.reset();
    }
    QPointer self(this);
    const bool forgotten = co_await AppSettings::clearSession(*m_secrets);
    if (!self) {
        co_return;
    }
    if (forgotten) {
        setSignedIn(false);
        setAccountEmail(std::nullopt);
        setListeners({});
        setActivity({});
        setConnected(false);
    } else {
        setLastError(QStringLiteral("Couldn't remove the API key from the keychain, so you are still signed in."));
        if (m_signedIn) {
            startPolling();
        }
    }
    setSigningOut(false);
}

QCoro::Task<> AppState::finishSigningOut(std::chrono::milliseconds limit)
{
    if (m_signingOut) {
        co_await qCoro(this, &AppState::signingOutChanged, limit);
    }
}

std::chrono::milliseconds AppState::pollInterval()
{
    const qint64 stored = AppSettings::pollIntervalMs();
    if (stored <= 0) {
        return std::chrono::milliseconds(4000);
    }
    constexpr qint64 day = 24LL * 60 * 60 * 1000;
    return std::chrono::milliseconds(std::clamp<qint64>(stored, 500, day));
}

int AppState::runningLoops()
{
    return loopCount;
}

QCoro::Task<> AppState::pollingLoop(QPointer<AppState> state, std::stop_token stop)
{
    ++loopCount;
    ChangeWaiter waiter(*state->m_client);
    while (!stop.stop_requested()) {
        if (state) {
            co_await state->tick(stop);
        }
        co_await waiter.pause(pollInterval(), stop);
    }
    --loopCount;
}

QCoro::Task<> AppState::tick(std::stop_token stop)
{
    QPointer self(this);
    // The recent list is also cancelled on its own when the listener list fails.
    std::stop_source recentStop;
    const std::stop_callback forwardStop(stop, [&recentStop] { recentStop.request_stop(); });
    auto listing = m_client->listListenersIfChanged(stop);
    auto recent = m_client->recentAllIfChanged(recentLimit, recentStop.get_token());

    auto listed = co_await listing;
    std::optional<Failure> failure;
    if (listed) {
        if (!self) {
            co_return;
        }
        if (auto& fresh = *listed) {
            setListeners(std::move(*fresh));
        }
        auto activity = co_await recent;
        if (!self) {
            co_return;
        }
        if (activity) {
            if (auto& fresh = *activity) {
                setActivity(std::move(*fresh));
            }
            setConnected(true);
            setLastError(std::nullopt);
        } else {
            failure = activity.error();
        }
    } else {
        failure = listed.error();
        recentStop.request_stop();
        co_await recent;
        if (!self) {
            co_return;
        }
        // The recent list read meanwhile is dropped, so its entity tag must not be sent again.
        m_client->forgetEntityTags();
    }
    // A cycle cut short by its owner ends quietly: cancellation is nobody's error.
    if (stop.stop_requested()) {
        co_return;
    }
    if (failure) {
        setConnected(false);
        setLastError(failure->description);
    }

    setLastPollAt(QDateTime::currentDateTimeUtc());
    auto polled = co_await m_client->poll(pollLimit, stop);
    if (!self || stop.stop_requested()) {
        co_return;
    }
    if (!polled) {
        setLastError(polled.error().description);
        co_return;
    }
    if (m_paused) {
        co_return;
    }
    for (const Payload& payload : *polled) {
        co_await deliver(payload);
        if (!self) {
            co_return;
        }
        // A failed acknowledgement leaves no trace: the service offers the payload again.
        co_await m_client->markDelivered(QString::fromStdString(payload.id), stop);
        if (!self) {
            co_return;
        }
    }
}

QCoro::Task<> AppState::deliver(Payload payload)
{
    const QString name = payload.listenerName ? QString::fromStdString(*payload.listenerName) : "(unknown)";
    const QString notice = unverifiedNotice(payload);
    co_await post(corvane::payloadContext(payload), payload.notificationConfig.value_or(NotificationConfig{}),
        QString::fromStdString(payload.id), name, notice, true);
}

QCoro::Task<RefireResult> AppState::refire(Payload payload)
{
    if (!payload.listenerId) {
        co_return RefireResult::listenerMissing;
    }
    const auto found = listener(QString::fromStdString(*payload.listenerId));
    if (!found) {
        co_return RefireResult::listenerMissing;
    }
    QPointer self(this);
    auto whole = co_await m_client->wholePayload(std::move(payload));
    if (!self) {
        co_return RefireResult::bodyUnavailable;
    }
    if (!whole) {
        reportError(whole.error().description);
        co_return RefireResult::bodyUnavailable;
    }
    auto context = corvane::payloadContext(*whole);
    context["listener_name"] = found->name;
    const bool fired = co_await post(std::move(context), found->notificationConfig, QString::fromStdString(whole->id),
        QString::fromStdString(found->name), unverifiedNotice(*whole), false);
    co_return fired ? RefireResult::fired : RefireResult::filteredOut;
}

QCoro::Task<> AppState::testFire(NotificationConfig config, nlohmann::json context, QString payloadId)
{
    const auto content = NotificationContent::render(config, context, NotificationContent::Unset::empty);
    co_await m_notifier->fire(notificationOf(content, config.sound, std::move(payloadId), {}));
}

QCoro::Task<bool> AppState::post(nlohmann::json context, NotificationConfig config, QString payloadId,
    QString listenerName, QString notice, bool trimToLimit)
{
    if (!JSONPathFilter::matches(config.filter, context)) {
        co_return false;
    }
    QPointer self(this);
    Notification notification
        = notificationOf(NotificationContent::render(config, context, NotificationContent::Unset::defaults),
            config.sound, std::move(payloadId), notice);
    const QString title = notification.title;
    const QString body = notification.body;
    co_await m_notifier->fire(std::move(notification));
    if (!self) {
        co_return true;
    }
    m_recentBanner.insert(m_recentBanner.begin(),
        BannerEvent{QUuid::createUuid(), listenerName, title, body, QDateTime::currentDateTimeUtc()});
    if (trimToLimit && m_recentBanner.size() > bannerLimit) {
        m_recentBanner.resize(bannerLimit);
    }
    emit recentBannerChanged();
    co_return true;
}

std::optional<Listener> AppState::listener(const QString& id) const
{
    const std::string wanted = id.toStdString();
    const auto found = std::ranges::find(m_listeners, wanted, &Listener::id);
    return found == m_listeners.end() ? std::nullopt : std::optional(*found);
}

nlohmann::json AppState::payloadContext(const Payload& payload) const
{
    return corvane::payloadContext(payload);
}

QCoro::Task<> AppState::refreshListeners()
{
    QPointer self(this);
    auto listed = co_await m_client->listListeners();
    if (!self) {
        co_return;
    }
    if (listed) {
        setListeners(*std::move(listed));
    } else {
        setLastError(listed.error().description);
    }
}

QCoro::Task<std::optional<Listener>> AppState::createListener(QString name)
{
    QPointer self(this);
    auto created = co_await m_client->createListener(name, NotificationConfig{});
    if (!self) {
        co_return std::nullopt;
    }
    if (!created) {
        setLastError(created.error().description);
        co_return std::nullopt;
    }
    auto listeners = m_listeners;
    listeners.insert(listeners.begin(), *created);
    setListeners(std::move(listeners));
    co_return *created;
}

QCoro::Task<std::optional<Listener>> AppState::updateListener(QString id, std::optional<QString> name,
    std::optional<NotificationConfig> config, std::optional<bool> isEnabled, VerificationUpdate verification)
{
    QPointer self(this);
    auto updated
        = co_await m_client->updateListener(id, std::move(name), std::move(config), isEnabled, std::move(verification));
    if (!self) {
        co_return std::nullopt;
    }
    if (!updated) {
        setLastError(updated.error().description);
        co_return std::nullopt;
    }
    const auto place = std::ranges::find(m_listeners, id.toStdString(), &Listener::id);
    if (place != m_listeners.end()) {
        auto listeners = m_listeners;
        listeners[static_cast<std::size_t>(place - m_listeners.begin())] = *updated;
        setListeners(std::move(listeners));
    }
    co_return *updated;
}

QCoro::Task<> AppState::deleteListener(QString id)
{
    QPointer self(this);
    const auto deleted = co_await m_client->deleteListener(id);
    if (!self) {
        co_return;
    }
    if (!deleted) {
        setLastError(deleted.error().description);
        co_return;
    }
    auto listeners = m_listeners;
    std::erase_if(listeners, [wanted = id.toStdString()](const Listener& each) { return each.id == wanted; });
    setListeners(std::move(listeners));
}

void AppState::reportError(const QString& description)
{
    setLastError(description);
}

void AppState::setListeners(std::vector<Listener> listeners)
{
    m_listeners = std::move(listeners);
    emit listenersChanged();
}

void AppState::setActivity(std::vector<Payload> activity)
{
    std::vector<Payload> previous = std::exchange(m_activity, std::move(activity));
    emit activityChanged();
    // Freeing a list of large bodies takes milliseconds; the thread pool does it.
    if (!previous.empty()) {
        QThreadPool::globalInstance()->start([previous = std::move(previous)]() mutable { previous.clear(); });
    }
}

void AppState::setLastError(std::optional<QString> error)
{
    if (m_lastError == error) {
        return;
    }
    m_lastError = std::move(error);
    emit lastErrorChanged();
}

void AppState::setConnected(bool connected)
{
    if (m_connected == connected) {
        return;
    }
    m_connected = connected;
    emit connectedChanged();
}

void AppState::setLastPollAt(std::optional<QDateTime> at)
{
    m_lastPollAt = std::move(at);
    emit lastPollAtChanged();
}

} // namespace corvane
