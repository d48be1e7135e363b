// CPU time per poll cycle in which nothing changed: a real AppState against the scripted relay (on its
// own thread), whose change version alternates so that a cycle starts as often as the loop allows. The
// listing and the recent list (100 entries of about 8 KiB) are answered either in full every time, or
// once with an entity tag and then with 304. Run inside scripts/headless; the argument is the number of
// cycles per mode (100).
#include "RelayThread.h"
#include "service/AppSettings.h"
#include "support/SessionFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

using corvane::test::RelayThread;
using corvane::test::ScriptedHttpServer;
using corvane::test::SessionFixture;

QByteArray envelope(const QByteArray& member, const QList<QByteArray>& items)
{
    return ScriptedHttpServer::response(
        200, "{\"" + member + "\": [" + items.join(',') + "], \"count\": " + QByteArray::number(items.size()) + "}");
}

QByteArray withTag(QByteArray response)
{
    return response.replace("\r\n\r\n", "\r\nETag: \"1-100\"\r\n\r\n");
}

QByteArray notModified()
{
    return "HTTP/1.1 304 Not Modified\r\nETag: \"1-100\"\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

QList<QByteArray> entries()
{
    const QByteArray text(8 * 1024, 'x');
    QList<QByteArray> result;
    for (int number = 0; number < 100; ++number) {
        result << R"({"id": "p)" + QByteArray::number(number)
                + R"(", "listener_id": "l1", "listener_name": "Deploys", "method": "POST", "body": {"text": ")" + text
                + R"("}, "received_at": "2026-12-07T05:00:00.000Z"})";
    }
    return result;
}

qint64 nanoseconds(const timespec& time)
{
    return qint64{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

qint64 processCpuNanoseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (qint64{usage.ru_utime.tv_sec} + usage.ru_stime.tv_sec) * 1'000'000'000
        + (qint64{usage.ru_utime.tv_usec} + usage.ru_stime.tv_usec) * 1000;
}

qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return nanoseconds(now);
}

// Runs `cycles` cycles and prints the CPU time per cycle of the GUI thread and of the whole app (the
// process without the relay's thread).
void measure(const char* mode, corvane::AppState& state, RelayThread& relay, int cycles)
{
    QSignalSpy polled(&state, &corvane::AppState::lastPollAtChanged);
    QElapsedTimer wall;
    wall.start();
    const qint64 gui = threadCpuNanoseconds();
    const qint64 process = processCpuNanoseconds() - relay.cpuNanoseconds();
    while (polled.size() < cycles && wall.elapsed() < 600'000) {
        polled.wait(10'000);
    }
    const double count = static_cast<double>(polled.size());
    std::printf("%s: %d cycles in %.1f s, GUI thread %.2f ms/cycle, app %.2f ms/cycle\n", mode,
        static_cast<int>(polled.size()), static_cast<double>(wall.elapsed()) / 1e3,
        static_cast<double>(threadCpuNanoseconds() - gui) / 1e6 / count,
        static_cast<double>(processCpuNanoseconds() - relay.cpuNanoseconds() - process) / 1e6 / count);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    SessionFixture shell;
    RelayThread relay;
    corvane::AppSettings::setServiceURL(relay.baseURL());
    relay.script("/changes?after=&wait=55", ScriptedHttpServer::response(200, R"({"version": "1"})"));
    relay.script("/changes?after=1&wait=55", ScriptedHttpServer::response(200, R"({"version": "2"})"));
    relay.script("/changes?after=2&wait=55", ScriptedHttpServer::response(200, R"({"version": "1"})"));
    const QByteArray listeners = envelope("listeners", {SessionFixture::listener("l1", "Deploys")});
    const QByteArray recent = envelope("webhooks", entries());
    relay.script("/listeners/", listeners);
    relay.script("/webhooks/recent?limit=100", recent);
    relay.script("/webhooks/poll?limit=25", envelope("webhooks", {}));
    shell.start(true);
    measure("answered in full", shell.state(), relay, cycles);

    relay.script("/listeners/", withTag(listeners));
    relay.script("/webhooks/recent?limit=100", withTag(recent));
    QSignalSpy tagged(&shell.state(), &corvane::AppState::lastPollAtChanged);
    tagged.wait(10'000);
    relay.script("/listeners/", notModified());
    relay.script("/webhooks/recent?limit=100", notModified());
    tagged.wait(10'000);
    measure("answered 304", shell.state(), relay, cycles);
    return 0;
}
