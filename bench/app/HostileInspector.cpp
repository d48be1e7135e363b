// The payload inspector opened on payloads a stranger can send to a public hook URL: (a) a JSON body
// whose one value is a 10 MiB string, (b) a 10 MiB body that is not valid UTF-8, (c) an object of
// 200,000 keys. For each, the inspector is opened as the Activity screen opens it (on a copy of the
// payload the state holds) and shown until its body is ready and painted, then closed; then the same
// for the editor's payload tree (PayloadTreeView) of that payload. A 1 ms timer
// runs throughout: the largest interval between two of its ticks is the longest stall of the GUI
// thread. Memory is VmRSS (and VmHWM after writing 5 to /proc/self/clear_refs) from /proc/self/status,
// against the idle process that already holds the payload. Run inside scripts/headless.
// Usage: hostile_inspector [rounds, default 3]
#include "support/SessionFixture.h"
#include "ui/inspector/PayloadInspector.h"
#include "ui/inspector/PayloadTreeView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using corvane::Payload;
using corvane::PayloadInspector;
using corvane::PayloadTreeView;
using corvane::test::SessionFixture;

// A field of /proc/self/status in MB (1,000,000 bytes).
double statusMegabytes(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':')) {
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble() * 1024.0 / 1e6;
        }
    }
    return 0;
}

void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) {
        refs.write("5");
    }
}

// Runs the event loop for `milliseconds`, or until `done` holds, whichever comes first.
template <typename Done> void runFor(int milliseconds, Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds && !done()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

Payload payload(const nlohmann::json& body, std::string rawBody)
{
    auto json = nlohmann::json{{"id", "p1"}, {"method", "POST"}, {"received_at", "2026-12-07T21:00:00.000Z"},
        {"headers", {{"Content-Type", "application/json"}}}, {"raw_body", std::move(rawBody)}};
    if (!body.is_null()) {
        json["body"] = body;
    }
    return *Payload::fromJson(std::move(json));
}

Payload longString()
{
    const nlohmann::json body{{"value", std::string(10 << 20, 'x')}};
    return payload(body, body.dump());
}

Payload invalidUtf8()
{
    std::string raw(10 << 20, 'a');
    for (std::size_t index = 0; index < raw.size(); index += 7) {
        raw[index] = static_cast<char>(0xff);
    }
    return payload(nullptr, std::move(raw));
}

Payload manyKeys()
{
    nlohmann::json body = nlohmann::json::object();
    for (int key = 0; key < 200'000; ++key) {
        body["key" + std::to_string(key)] = key;
    }
    return payload(body, body.dump());
}

// The longest interval between two ticks of a 1 ms timer since the last reset().
class StallClock {
public:
    StallClock()
    {
        m_clock.start();
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_ticker.start();
        runFor(50, [] { return false; });
    }

    void reset()
    {
        m_longest = 0;
        m_last = m_clock.nsecsElapsed();
    }

    double longest() const { return static_cast<double>(m_longest) / 1e6; }

private:
    QElapsedTimer m_clock;
    QTimer m_ticker;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Opens the widget that `open` makes, waits until `ready` holds and the widget is painted, closes it.
template <typename Open, typename Ready> void measure(const char* name, Open open, Ready ready)
{
    QApplication::processEvents();
    const double idle = statusMegabytes("VmRSS");
    StallClock stalls;
    resetPeak();
    stalls.reset();
    QElapsedTimer shown;
    shown.start();
    std::unique_ptr<QWidget> widget = open();
    widget->show();
    runFor(30'000, [&] { return ready(*widget); });
    const double readyAfter = static_cast<double>(shown.elapsed());
    runFor(500, [] { return false; });
    widget->grab();
    const double whileShown = statusMegabytes("VmRSS") - idle;
    const double openStall = stalls.longest();
    stalls.reset();
    widget.reset();
    runFor(1000, [] { return false; });
    const double peak = statusMegabytes("VmHWM") - idle;
    std::printf("%-26s longest stall %7.1f ms opening (ready after %5.0f ms), %6.1f ms closing; RSS above idle: "
                "peak %+6.1f MB, shown %+6.1f MB, closed %+6.1f MB\n",
        name, openStall, readyAfter, stalls.longest(), peak, whileShown, statusMegabytes("VmRSS") - idle);
    std::fflush(stdout);
}

void measurePayload(const std::string& name, SessionFixture& shell, const Payload& held)
{
    measure((name + ", inspector").c_str(),
        [&] {
            auto inspector
                = std::make_unique<PayloadInspector>(shell.state(), held, PayloadInspector::Presentation::embedded);
            inspector->resize(900, 700);
            return std::unique_ptr<QWidget>(std::move(inspector));
        },
        [](QWidget& widget) { return static_cast<PayloadInspector&>(widget).bodyText() != nullptr; });
    // The editor's tree of the same payload.
    measure((name + ", tree").c_str(),
        [&] {
            auto tree = std::make_unique<PayloadTreeView>();
            tree->resize(560, 480);
            tree->setPayload(held);
            return std::unique_ptr<QWidget>(std::move(tree));
        },
        [](QWidget&) { return true; });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    SessionFixture shell;
    shell.start(false);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    for (int round = 0; round < rounds; ++round) {
        {
            const Payload held = longString();
            measurePayload("10 MiB string", shell, held);
        }
        {
            const Payload held = invalidUtf8();
            measurePayload("10 MiB bytes", shell, held);
        }
        {
            const Payload held = manyKeys();
            measurePayload("200,000 keys", shell, held);
        }
    }
    return 0;
}
