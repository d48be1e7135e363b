#include "api/RequestLog.h"

#include "store/TimeText.h"

#include <boost/asio/post.hpp>

#include <array>
#include <charconv>

namespace corvane::relay {
namespace {

// Past this size the pending lines are written at once instead of after the ready handlers.
constexpr std::size_t pendingLimit = std::size_t{64} * 1024;

void appendNumber(std::string& text, std::uint64_t number)
{
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.begin(), digits.end(), number);
    text.append(digits.data(), result.ptr);
}

void appendMilliseconds(std::string& text, std::chrono::steady_clock::duration elapsed)
{
    std::array<char, 32> digits{};
    const double milliseconds = std::chrono::duration<double, std::milli>(elapsed).count();
    const auto result = std::to_chars(digits.begin(), digits.end(), milliseconds, std::chars_format::fixed, 2);
    text.append(digits.data(), result.ptr);
}

} // namespace

RequestLog::RequestLog(boost::asio::any_io_executor executor, std::FILE* output)
    : m_executor(std::move(executor)), m_output(output)
{
}

RequestLog::~RequestLog()
{
    flush();
}

void RequestLog::log(std::string_view remoteAddress, std::string_view method, std::string_view route, unsigned status,
    std::size_t bodyBytes, std::chrono::steady_clock::duration elapsed)
{
    appendTime();
    m_pending += ' ';
    m_pending += remoteAddress;
    m_pending += ' ';
    m_pending += method;
    m_pending += ' ';
    m_pending += route;
    m_pending += ' ';
    appendNumber(m_pending, status);
    m_pending += ' ';
    appendNumber(m_pending, bodyBytes);
    m_pending += "B ";
    appendMilliseconds(m_pending, elapsed);
    m_pending += "ms\n";
    if (m_pending.size() >= pendingLimit) {
        flush();
    } else if (!m_flushPosted) {
        m_flushPosted = true;
        boost::asio::post(m_executor, [this] {
            m_flushPosted = false;
            flush();
        });
    }
}

void RequestLog::appendTime()
{
    constexpr std::int64_t perSecond = 1000;
    const auto now = TimeText::now();
    auto second = now / perSecond;
    auto millisecond = now % perSecond;
    if (millisecond < 0) {
        millisecond += perSecond;
        --second;
    }
    if (second != m_second) {
        m_second = second;
        m_secondText = TimeText::rfc3339(second * perSecond);
        // "...:00.000Z" without its milliseconds and zone.
        m_secondText.resize(m_secondText.size() - 4);
    }
    m_pending += m_secondText;
    m_pending += static_cast<char>('0' + millisecond / 100);
    m_pending += static_cast<char>('0' + millisecond / 10 % 10);
    m_pending += static_cast<char>('0' + millisecond % 10);
    m_pending += 'Z';
}

void RequestLog::flush()
{
    if (!m_pending.empty()) {
        std::fwrite(m_pending.data(), 1, m_pending.size(), m_output);
        std::fflush(m_output);
        m_pending.clear();
    }
}

} // namespace corvane::relay
