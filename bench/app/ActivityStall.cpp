// The longest pause of the GUI thread's event loop while poll cycles replace the activity list with 100
// entries of 64 KiB bodies and the Activity screen shows them. A 1 ms timer runs throughout; the largest
// interval between two of its ticks is the longest stall. Run inside scripts/headless.
#include "RelayThread.h"
#include "service/AppSettings.h"
#include "support/SessionFixture.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/activity/ActivityView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

using corvane::test::RelayThread;
using corvane::test::ScriptedHttpServer;
using corvane::test::SessionFixture;

// What the relay answers to the listing, the recent list and the poll from now on.
void script(RelayThread& relay, const QList<QByteArray>& recent)
{
    const auto envelope = [](const QByteArray& member, const QList<QByteArray>& items) {
        return ScriptedHttpServer::response(200,
            "{\"" + member + "\": [" + items.join(',') + "], \"count\": " + QByteArray::number(items.size()) + "}");
    };
    relay.script("/listeners/", envelope("listeners", {SessionFixture::listener("l1", "Deploys")}));
    relay.script("/webhooks/recent?limit=100", envelope("webhooks", recent));
    relay.script("/webhooks/poll?limit=25", envelope("webhooks", {}));
}

QList<QByteArray> entries(const QByteArray& prefix)
{
    QByteArray items;
    for (int index = 0; items.size() < 64 * 1024; ++index) {
        items += (index == 0 ? "" : ",") + QByteArray(R"({"sha": "0123456789abcdef0123456789abcdef", "n": )")
            + QByteArray::number(index) + "}";
    }
    QList<QByteArray> result;
    for (int number = 0; number < 100; ++number) {
        result << R"({"id": ")" + prefix + QByteArray::number(number)
                + R"(", "listener_id": "l1", "listener_name": "Deploys", "method": "POST", "body": {"commits": [)"
                + items + R"(]}, "received_at": "2026-12-07T05:00:00.000Z"})";
    }
    return result;
}

// The GUI thread's own CPU time, which other processes on a loaded machine do not inflate.
qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

struct Gap {
    double wall = 0; // the longest interval between two ticks, ms
    double cpu = 0; // the most CPU time the GUI thread spent between two ticks, ms
};

// Runs one poll cycle and returns the longest gap between ticks of the 1 ms timer meanwhile.
Gap longestGap(SessionFixture& shell)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 lastCpu = threadCpuNanoseconds();
    qint64 longest = 0;
    qint64 longestCpu = 0;
    QTimer ticker;
    ticker.setInterval(1);
    const auto tick = [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNanoseconds();
        longest = std::max(longest, now - last);
        longestCpu = std::max(longestCpu, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
    };
    QObject::connect(&ticker, &QTimer::timeout, tick);
    ticker.start();
    QSignalSpy cycles(&shell.state(), &corvane::AppState::lastPollAtChanged);
    shell.state().startPolling();
    cycles.wait(30'000);
    // The screen's repaint after the cycle, and a body card filled from the thread pool, belong to it.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    tick();
    return {static_cast<double>(longest) / 1e6, static_cast<double>(longestCpu) / 1e6};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    SessionFixture shell;
    RelayThread relay;
    corvane::AppSettings::setServiceURL(relay.baseURL());
    QElapsedTimer viewClock;
    qint64 viewLongest = 0;
    const QList<QByteArray> first = entries("a");
    const QList<QByteArray> second = entries("b");
    script(relay, first);
    shell.start(true);
    // Connected around the screen's own connection, so the two measure only what the screen does.
    QObject::connect(&shell.state(), &corvane::AppState::activityChanged, [&] { viewClock.start(); });
    corvane::ActivityView view(shell.state());
    QObject::connect(&shell.state(), &corvane::AppState::activityChanged,
        [&] { viewLongest = std::max(viewLongest, viewClock.nsecsElapsed()); });
    view.resize(900, 640);
    view.show();
    QApplication::processEvents();

    const int rounds = 5;
    for (int round = 0; round < rounds; ++round) {
        viewLongest = 0;
        const Gap equal = longestGap(shell);
        const double equalView = static_cast<double>(viewLongest) / 1e6;
        viewLongest = 0;
        script(relay, round % 2 == 0 ? second : first);
        const Gap replaced = longestGap(shell);
        std::printf("round %d: equal list %.1f ms (GUI thread CPU %.1f ms, screen %.1f ms), all 100 replaced %.1f ms "
                    "(GUI thread CPU %.1f ms, screen %.1f ms), %d rows\n",
            round + 1, equal.wall, equal.cpu, equalView, replaced.wall, replaced.cpu,
            static_cast<double>(viewLongest) / 1e6, view.model()->rowCount());
    }
    return 0;
}
