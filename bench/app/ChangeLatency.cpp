// The app end to end with change waits: a real corvane-relay process, the real AppState polling it at
// the default interval of 4 s with its key in the session's Secret Service, and the tests' notification
// server on the session bus. Webhooks come from a thread of their own over plain sockets, as from
// another program. Run inside scripts/headless:
//   change_latency latency [N]   N webhooks (100) at random moments 0.3–3 s apart; for each, the time
//                                from its 202 to the Notify call reaching the notification server
//   change_latency plain [N]     the same through NoChangesProxy, a relay that answers /changes 404
//   change_latency memory [N]    resident memory every 100 of N poll cycles (1000), each started by a
//                                webhook 0.1–0.3 s after the previous one or by its delivery, with 100
//                                payloads in the activity throughout
#include "NoChangesProxy.h"
#include "auth/AuthCoordinator.h"
#include "core/AppState.h"
#include "platform/DesktopNotifier.h"
#include "platform/SecretServiceStore.h"
#include "service/AppSettings.h"
#include "service/ServiceClient.h"
#include "support/FakeNotificationServer.h"
#include "support/FakeWebAuthenticationSession.h"
#include "support/RelayProcess.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using corvane::test::FakeNotificationServer;
using corvane::test::RelayProcess;

constexpr auto ownerKey = "change-latency-bench-owner-key";

// One webhook the relay accepted: its number and when its 202 arrived.
struct Accepted {
    int sequence = 0;
    Clock::time_point at;
};

// Posts `count` webhooks (or until `stop`) to `hookPath`, each over a connection of its own, with a
// pause drawn uniformly from [shortest, longest] before each; bodies are {"sequence": n, "text": …} of
// about `bytes` bytes. Numbers start at `first`.
std::vector<Accepted> post(quint16 port, const QByteArray& hookPath, int first, int count,
    std::chrono::milliseconds shortest, std::chrono::milliseconds longest, std::uint32_t seed,
    const std::atomic<bool>& stop, int bytes = 64)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> gap(shortest.count(), longest.count());
    const QByteArray text(std::max(0, bytes - 32), 'x');
    std::vector<Accepted> accepted;
    for (int sequence = first; sequence < first + count && !stop; ++sequence) {
        std::this_thread::sleep_for(std::chrono::milliseconds(gap(random)));
        const QByteArray body = R"({"sequence": )" + QByteArray::number(sequence) + R"(, "text": ")" + text + "\"}";
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(10'000)) {
            std::fprintf(stderr, "webhook %d: no connection\n", sequence);
            continue;
        }
        socket.write("POST " + hookPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
            + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        QByteArray answer;
        while (!answer.contains("\r\n") && socket.waitForReadyRead(10'000)) {
            answer += socket.readAll();
        }
        const Clock::time_point at = Clock::now();
        if (!answer.startsWith("HTTP/1.1 202")) {
            std::fprintf(stderr, "webhook %d: %s\n", sequence, answer.left(answer.indexOf('\r')).constData());
            continue;
        }
        accepted.push_back({sequence, at});
    }
    return accepted;
}

// Runs the event loop until `condition` holds (checked every 20 ms) or `limit` has passed; whether it
// holds. Unlike QTest::qWaitFor, which sleeps 10 ms between turns of the loop, events are handled as
// they come.
template <class Condition> bool waitUntil(Condition condition, std::chrono::milliseconds limit)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition()) {
            loop.quit();
        }
    });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    if (!condition()) {
        check.start(20);
        loop.exec();
    }
    return condition();
}

// Runs `work` on a thread of its own while the GUI thread's event loop keeps running; bounded by `limit`.
template <class Work> auto runBeside(Work work, std::chrono::milliseconds limit)
{
    std::atomic<bool> done = false;
    decltype(work()) result;
    std::thread thread([&] {
        result = work();
        done = true;
    });
    waitUntil([&] { return done.load(); }, limit);
    thread.join();
    return result;
}

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Nearest rank.
double percentile(const std::vector<double>& sorted, double share)
{
    const auto rank = static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

QByteArray loadAverage()
{
    QFile file("/proc/loadavg");
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("?");
}

// "VmRSS … (anonymous …, file …)" of this process, in MB.
QByteArray residentMemory()
{
    QFile file("/proc/self/status");
    if (!file.open(QIODevice::ReadOnly)) {
        return "?";
    }
    double rss = 0;
    double anonymous = 0;
    double fileBacked = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const auto kilobytes = [&line] { return line.simplified().split(' ').value(1).toDouble() / 1024; };
        if (line.startsWith("VmRSS:")) {
            rss = kilobytes();
        } else if (line.startsWith("RssAnon:")) {
            anonymous = kilobytes();
        } else if (line.startsWith("RssFile:")) {
            fileBacked = kilobytes();
        }
    }
    return QStringLiteral("%1 MB (anonymous %2, file %3)")
        .arg(rss, 0, 'f', 1)
        .arg(anonymous, 0, 'f', 1)
        .arg(fileBacked, 0, 'f', 1)
        .toUtf8();
}

// The app's parts over one relay: what CorvaneApp builds, with the tests' notification server.
class App {
public:
    explicit App(const QString& serviceURL) : m_secrets(10s, m_folder.filePath("fallback"))
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "corvane", "corvane").clear();
        corvane::AppSettings::setServiceURL(serviceURL);
        if (!QCoro::waitFor(corvane::AppSettings::keychainWrite(m_secrets, ownerKey))) {
            qFatal("the key could not be stored");
        }
        QObject::connect(
            &m_notifications, &FakeNotificationServer::notified, &m_notifications,
            [this] {
                const std::scoped_lock lock(m_mutex);
                m_notifiedAt.push_back(Clock::now());
            },
            Qt::DirectConnection);
    }

    ~App()
    {
        m_state.reset();
        waitUntil([] { return corvane::AppState::runningLoops() == 0; }, 10s);
    }

    QByteArray createListener()
    {
        const auto listener = QCoro::waitFor(m_client.createListener("Bench", corvane::NotificationConfig{}));
        if (!listener) {
            qFatal("no listener: %s", qPrintable(listener.error().description));
        }
        return QByteArray::fromStdString(listener->hookPath);
    }

    // Signed in: polling starts at once.
    void start()
    {
        m_state = std::make_unique<corvane::AppState>(m_client, m_secrets, m_auth, m_notifier, true, std::nullopt);
        if (!waitUntil([this] { return m_state->connected(); }, 10s)) {
            qFatal("the app did not connect");
        }
    }

    corvane::AppState& state() { return *m_state; }
    // The records of what was shown so far, which belong to the bench rather than the app.
    void forgetNotifications()
    {
        m_notifications.clear();
        const std::scoped_lock lock(m_mutex);
        m_notifiedAt.clear();
    }
    FakeNotificationServer& notifications() { return m_notifications; }
    std::size_t notified() const
    {
        const std::scoped_lock lock(m_mutex);
        return m_notifiedAt.size();
    }
    // When each Notify call arrived, in the order of FakeNotificationServer::received().
    std::vector<Clock::time_point> notifiedAt() const
    {
        const std::scoped_lock lock(m_mutex);
        return m_notifiedAt;
    }

private:
    QTemporaryDir m_folder;
    corvane::SecretServiceStore m_secrets;
    QNetworkAccessManager m_network;
    corvane::ServiceClient m_client{m_network, m_secrets};
    FakeNotificationServer m_notifications;
    corvane::DesktopNotifier m_notifier{QDBusConnection::sessionBus(), CORVANE_TEST_SOUNDS_FOLDER};
    corvane::test::FakeWebAuthenticationSession m_browser;
    corvane::AuthCoordinator m_auth{m_client, m_secrets, m_browser};
    std::unique_ptr<corvane::AppState> m_state;
    mutable std::mutex m_mutex;
    std::vector<Clock::time_point> m_notifiedAt;
};

bool startRelay(RelayProcess& relay)
{
    if (!relay.start({"--rate-limit", "0"})) {
        std::fprintf(stderr, "corvane-relay did not start\n");
        return false;
    }
    return true;
}

int latency(int count, bool throughProxy)
{
    RelayProcess relay({QStringLiteral("API_TOKEN=") + ownerKey});
    if (!startRelay(relay)) {
        return 1;
    }
    std::unique_ptr<corvane::test::NoChangesProxy> proxy;
    if (throughProxy) {
        proxy = std::make_unique<corvane::test::NoChangesProxy>(relay.port());
    }
    App app(proxy ? proxy->baseURL() : relay.url({}).toString());
    const QByteArray hookPath = app.createListener();
    app.start();
    const auto seed = std::random_device()();
    std::printf("%s: %d webhooks, 0.3-3 s apart (seed %u), poll interval %lld ms; load %s\n",
        throughProxy ? "relay without /changes (404)" : "relay with change versions", count, seed,
        static_cast<long long>(corvane::AppState::pollInterval().count()), loadAverage().constData());
    const std::atomic<bool> stop = false;
    const auto accepted
        = runBeside([&] { return post(relay.port(), hookPath, 1, count, 300ms, 3000ms, seed, stop); }, 600s);
    if (!waitUntil([&] { return app.notified() >= accepted.size(); }, 30s)) {
        std::fprintf(stderr, "%zu of %zu webhooks notified\n", app.notified(), accepted.size());
    }

    static const QRegularExpression sequenceField(R"("sequence": (\d+))");
    const auto received = app.notifications().received();
    const auto notifiedAt = app.notifiedAt();
    std::vector<double> latencies;
    const qsizetype matched = std::min(received.size(), static_cast<qsizetype>(notifiedAt.size()));
    for (qsizetype index = 0; index < matched; ++index) {
        const int sequence = sequenceField.match(received[index].body).captured(1).toInt();
        const auto sent = std::ranges::find(accepted, sequence, &Accepted::sequence);
        if (sent != accepted.end()) {
            latencies.push_back(milliseconds(notifiedAt[static_cast<std::size_t>(index)] - sent->at));
        }
    }
    std::ranges::sort(latencies);
    if (latencies.empty()) {
        std::fprintf(stderr, "no webhook was notified\n");
        return 1;
    }
    std::printf("  202 to Notify, %zu of %zu: min %.1f ms, p50 %.1f ms, p90 %.1f ms, p99 %.1f ms, max %.1f ms; "
                "load %s\n",
        latencies.size(), accepted.size(), latencies.front(), percentile(latencies, 0.5), percentile(latencies, 0.9),
        percentile(latencies, 0.99), latencies.back(), loadAverage().constData());
    return 0;
}

int memory(int cycles)
{
    RelayProcess relay({QStringLiteral("API_TOKEN=") + ownerKey});
    if (!startRelay(relay)) {
        return 1;
    }
    App app(relay.url({}).toString());
    const QByteArray hookPath = app.createListener();
    constexpr int activityEntries = 100;
    constexpr int bodyBytes = 2048;
    const std::atomic<bool> stop = false;
    post(relay.port(), hookPath, 1, activityEntries, 0ms, 0ms, 0, stop, bodyBytes);
    app.start();
    if (!waitUntil([&] { return app.notified() >= activityEntries; }, 60s)) {
        std::fprintf(stderr, "the first %d webhooks were not all notified\n", activityEntries);
        return 1;
    }
    std::printf("memory: %d poll cycles, webhooks of %d bytes 0.1-0.3 s apart, %d in the activity; load %s\n", cycles,
        bodyBytes, activityEntries, loadAverage().constData());

    int cycle = 0;
    QObject::connect(&app.state(), &corvane::AppState::lastPollAtChanged, &app.state(), [&cycle] { ++cycle; });
    std::atomic<bool> stopPosting = false;
    std::thread poster(
        [&] { post(relay.port(), hookPath, activityEntries + 1, 1'000'000, 100ms, 300ms, 1, stopPosting, bodyBytes); });
    const Clock::time_point start = Clock::now();
    for (int next = 0; next <= cycles; next += 100) {
        app.forgetNotifications();
        if (!waitUntil([&] { return cycle >= next; }, 120s)) {
            std::fprintf(stderr, "stuck at cycle %d\n", cycle);
            break;
        }
        std::printf("  cycle %4d (%5.1f s): %s\n", cycle, milliseconds(Clock::now() - start) / 1000,
            residentMemory().constData());
    }
    stopPosting = true;
    poster.join();
    std::printf("  load %s\n", loadAverage().constData());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (qEnvironmentVariable("CORVANE_HEADLESS_SESSION") != QLatin1String("1")) {
        std::fprintf(stderr, "run inside scripts/headless\n");
        return 2;
    }
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("latency");
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 0;
    if (mode == "latency" || mode == "plain") {
        return latency(count > 0 ? count : 100, mode == "plain");
    }
    if (mode == "memory") {
        return memory(count > 0 ? count : 1000);
    }
    std::fprintf(stderr, "usage: change_latency [latency|plain|memory] [count]\n");
    return 2;
}
