#pragma once

#include <boost/asio/any_io_executor.hpp>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace corvane::relay {

// One line per answered request, for the operator: time, client address, method, route, status,
// body size and time taken. Lines logged while the I/O thread has more handlers ready are written
// together after those handlers ran, so a busy relay makes one write for many lines and an idle one
// writes each line at once. Used on the I/O thread only.
class RequestLog {
public:
    RequestLog(boost::asio::any_io_executor executor, std::FILE* output);
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;
    // Writes what is still pending.
    ~RequestLog();

    void log(std::string_view remoteAddress, std::string_view method, std::string_view route, unsigned status,
        std::size_t bodyBytes, std::chrono::steady_clock::duration elapsed);

private:
    void appendTime();
    void flush();

    boost::asio::any_io_executor m_executor;
    std::FILE* m_output;
    std::string m_pending;
    bool m_flushPosted = false;
    // The current second as "2025-01-31T09:15:00.", and which second that is.
    std::string m_secondText;
    std::int64_t m_second = -1;
};

} // namespace corvane::relay
