#include "support/HeadlessChromium.h"

#include "model/JsonText.h"

#include <QStandardPaths>
#include <QTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace corvane::test {
namespace {

constexpr int startTimeoutMilliseconds = 30000;
constexpr int replyTimeoutMilliseconds = 30000;
constexpr int stopTimeoutMilliseconds = 10000;
constexpr qsizetype diagnosticCharacters = 2000;
// The descriptors --remote-debugging-pipe reads commands from and writes its messages to.
constexpr int commandDescriptor = 3;
constexpr int messageDescriptor = 4;

// Runs in the child between fork and exec, so only async-signal-safe calls.
void installDescriptor(int descriptor, int target)
{
    if (descriptor == target) {
        ::fcntl(target, F_SETFD, 0);
    } else {
        ::dup2(descriptor, target);
    }
}

} // namespace

QString HeadlessChromium::executable()
{
    return QStandardPaths::findExecutable("chromium");
}

HeadlessChromium::HeadlessChromium()
{
    QObject::connect(&m_socket, &QLocalSocket::readyRead, &m_socket, [this] { read(); });
}

HeadlessChromium::~HeadlessChromium()
{
    // The browser quits when its end of the pipe closes.
    m_socket.abort();
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(stopTimeoutMilliseconds)) {
        m_process.kill();
        m_process.waitForFinished(stopTimeoutMilliseconds);
    }
}

std::expected<void, QString> HeadlessChromium::start()
{
    const QString program = executable();
    if (program.isEmpty()) {
        return std::unexpected(QStringLiteral("chromium is not installed"));
    }
    std::array<int, 2> ends{};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends.data()) != 0) {
        return std::unexpected(QStringLiteral("no socket pair for the DevTools pipe"));
    }
    const int browserEnd = ends[1];
    m_process.setChildProcessModifier([browserEnd] {
        installDescriptor(browserEnd, commandDescriptor);
        installDescriptor(browserEnd, messageDescriptor);
    });
    QStringList arguments{"--headless", "--disable-gpu", "--disable-quic", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--user-data-dir=" + m_profile.path(), "--remote-debugging-pipe"};
    // Chromium's sandbox refuses to run as root, as CI containers do.
    if (::geteuid() == 0) {
        arguments << "--no-sandbox";
    }
    arguments << "about:blank";
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start(program, arguments);
    ::close(browserEnd);
    m_socket.setSocketDescriptor(ends[0]);
    if (!m_process.waitForStarted(startTimeoutMilliseconds)) {
        return std::unexpected("chromium did not start: " + m_process.errorString());
    }
    const auto target = call("Target.createTarget", {{"url", "about:blank"}});
    if (!target) {
        return std::unexpected(target.error());
    }
    const auto attached
        = call("Target.attachToTarget", {{"targetId", target->value("targetId", "")}, {"flatten", true}});
    if (!attached) {
        return std::unexpected(attached.error());
    }
    m_sessionId = attached->value("sessionId", "");
    for (const char* domain : {"Page.enable", "Network.enable", "Log.enable"}) {
        if (const auto enabled = call(domain); !enabled) {
            return std::unexpected(enabled.error());
        }
    }
    return {};
}

std::expected<nlohmann::json, QString> HeadlessChromium::call(const std::string& method, nlohmann::json params)
{
    const int id = ++m_lastId;
    nlohmann::json message{{"id", id}, {"method", method}};
    message["params"] = params.is_null() ? nlohmann::json::object() : std::move(params);
    if (!m_sessionId.empty()) {
        message["sessionId"] = m_sessionId;
    }
    m_socket.write(QByteArray::fromStdString(message.dump()).append('\0'));
    const bool ended
        = QTest::qWaitFor([&] { return m_replies.contains(id) || m_socket.state() != QLocalSocket::ConnectedState; },
            replyTimeoutMilliseconds);
    const auto reply = m_replies.find(id);
    if (reply == m_replies.end()) {
        const auto log = QString::fromLocal8Bit(m_process.readAllStandardError()).right(diagnosticCharacters);
        return std::unexpected(
            QString::fromStdString(method) + (ended ? ": chromium quit: " + log : ": no answer in time"));
    }
    const nlohmann::json answer = std::move(reply->second);
    m_replies.erase(reply);
    if (const auto error = answer.find("error"); error != answer.end()) {
        return std::unexpected(QString::fromStdString(method + ": " + error->dump()));
    }
    return answer.value("result", nlohmann::json::object());
}

void HeadlessChromium::read()
{
    m_buffer += m_socket.readAll();
    for (auto end = m_buffer.indexOf('\0'); end >= 0; end = m_buffer.indexOf('\0')) {
        auto message = parseJson(std::string_view(m_buffer.constData(), std::size_t(end)));
        m_buffer.remove(0, end + 1);
        if (!message || !message->is_object()) {
            continue;
        }
        if (const auto id = message->find("id"); id != message->end() && id->is_number_integer()) {
            const int key = id->get<int>();
            m_replies[key] = std::move(*message);
        } else if (!m_sessionId.empty() && message->value("sessionId", "") == m_sessionId) {
            m_events.push_back(std::move(*message));
        }
    }
}

std::expected<QString, QString> HeadlessChromium::evaluate(const std::string& expression)
{
    auto evaluated
        = call("Runtime.evaluate", {{"expression", expression}, {"userGesture", true}, {"returnByValue", true}});
    if (!evaluated || evaluated->contains("exceptionDetails")) {
        return std::unexpected(evaluated ? QString::fromStdString(evaluated->dump()) : evaluated.error());
    }
    const auto value = evaluated->value("result", nlohmann::json::object()).value("value", nlohmann::json());
    return QString::fromStdString(value.is_string() ? value.get<std::string>() : value.dump());
}

QStringList HeadlessChromium::eventStrings(const std::string& method, const std::string& pointer) const
{
    const nlohmann::json::json_pointer path(pointer);
    QStringList strings;
    for (const auto& event : m_events) {
        if (event.value("method", "") == method && event.contains(path) && event.at(path).is_string()) {
            strings << QString::fromStdString(event.at(path).get<std::string>());
        }
    }
    return strings;
}

} // namespace corvane::test
