// The longest pause of the GUI thread's event loop while poll cycles replace the activity list with 100
// entries of 64 KiB bodies and the Activity screen shows them. A 1 ms timer runs throughout; the largest
// interval between two of its ticks is the longest stall. Run inside scripts/headless.
#include "ShellFixture.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/activity/ActivityView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

using corvane::test::ShellFixture;

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

// Runs one poll cycle and returns the longest interval between ticks of the 1 ms timer meanwhile.
double longestGap(ShellFixture& shell)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start();
    QSignalSpy cycles(&shell.state(), &corvane::AppState::lastPollAtChanged);
    shell.state().startPolling();
    cycles.wait(30'000);
    // The screen's repaint after the cycle belongs to it.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 100) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    longest = std::max(longest, clock.nsecsElapsed() - last);
    return static_cast<double>(longest) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ShellFixture shell;
    QElapsedTimer viewClock;
    qint64 viewLongest = 0;
    const QList<QByteArray> first = entries("a");
    const QList<QByteArray> second = entries("b");
    shell.script({ShellFixture::listener("l1", "Deploys")}, first, {});
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
        const double equal = longestGap(shell);
        const double equalView = static_cast<double>(viewLongest) / 1e6;
        viewLongest = 0;
        shell.script({ShellFixture::listener("l1", "Deploys")}, round % 2 == 0 ? second : first, {});
        const double replaced = longestGap(shell);
        std::printf(
            "round %d: equal list %.1f ms (screen %.1f ms), all 100 replaced %.1f ms (screen %.1f ms), %d rows\n",
            round + 1, equal, equalView, replaced, static_cast<double>(viewLongest) / 1e6, view.model()->rowCount());
    }
    return 0;
}
