#include "signin/SignInThrottle.h"

#include <algorithm>

namespace corvane::relay {
namespace {

// A full table is swept for stale records at most this often, so that failures from ever new
// addresses do not each cost a walk over it.
constexpr auto sweepInterval = std::chrono::seconds(1);

} // namespace

std::optional<std::chrono::seconds> SignInThrottle::refuse(const std::string& client, Clock::time_point now)
{
    auto found = m_records.find(client);
    Record* record = found != m_records.end() ? &found->second : nullptr;
    if (record == nullptr && m_records.size() >= maxClients) {
        record = &m_shared;
    }
    if (record == nullptr || now >= record->waitUntil) {
        return std::nullopt;
    }
    return count(*record, now);
}

std::optional<std::chrono::seconds> SignInThrottle::failed(const std::string& client, Clock::time_point now)
{
    Record& record = recordFor(client, now);
    if (stale(record, now)) {
        record = Record{};
    }
    return count(record, now);
}

void SignInThrottle::succeeded(const std::string& client)
{
    m_records.erase(client);
}

SignInThrottle::Record& SignInThrottle::recordFor(const std::string& client, Clock::time_point now)
{
    if (const auto found = m_records.find(client); found != m_records.end()) {
        return found->second;
    }
    if (m_records.size() >= maxClients && now >= m_nextSweep) {
        std::erase_if(m_records, [now](const auto& entry) { return stale(entry.second, now); });
        m_nextSweep = now + sweepInterval;
    }
    if (m_records.size() >= maxClients) {
        return m_shared;
    }
    return m_records[client];
}

std::optional<std::chrono::seconds> SignInThrottle::count(Record& record, Clock::time_point now)
{
    record.failures = std::min(record.failures + 1, freeFailures + 32);
    record.lastFailure = now;
    if (record.failures < freeFailures) {
        return std::nullopt;
    }
    const auto doublings = std::min<std::uint32_t>(record.failures - freeFailures, 16);
    const auto wait = std::min<std::chrono::seconds>(firstWait * (std::int64_t{1} << doublings), longestWait);
    record.waitUntil = now + wait;
    return wait;
}

bool SignInThrottle::stale(const Record& record, Clock::time_point now)
{
    return now - std::max(record.lastFailure, record.waitUntil) > memory;
}

} // namespace corvane::relay
