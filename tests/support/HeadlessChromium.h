#pragma once

#include <QByteArray>
#include <QLocalSocket>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <nlohmann/json.hpp>

#include <expected>
#include <map>
#include <string>
#include <vector>

namespace corvane::test {

// A real Chromium in headless mode with a fresh profile, driven over the Chrome DevTools Protocol on
// its --remote-debugging-pipe transport: JSON messages, each ended by a NUL byte, which the browser
// reads from fd 3 and writes to fd 4 (here both are one end of a socket pair). It opens one page and
// keeps every event of that page's Page, Network and Log domains.
class HeadlessChromium {
public:
    // The browser's executable; empty when it is not installed.
    static QString executable();

    HeadlessChromium();
    ~HeadlessChromium();

    // Starts the browser and opens its page; what went wrong otherwise.
    std::expected<void, QString> start();
    // Sends a command (to the page once it is open) and waits, bounded, for its result.
    std::expected<nlohmann::json, QString> call(const std::string& method, nlohmann::json params = {});
    // Runs `expression` in the page as if the person did it; its value as text.
    std::expected<QString, QString> evaluate(const std::string& expression);
    // The string at `pointer` (RFC 6901) in each of the page's events named `method` so far, in order.
    QStringList eventStrings(const std::string& method, const std::string& pointer) const;

private:
    void read();

    QTemporaryDir m_profile;
    QProcess m_process;
    QLocalSocket m_socket;
    QByteArray m_buffer;
    std::string m_sessionId;
    int m_lastId = 0;
    std::map<int, nlohmann::json> m_replies;
    std::vector<nlohmann::json> m_events;
};

} // namespace corvane::test
