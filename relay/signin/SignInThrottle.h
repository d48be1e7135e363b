#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace corvane::relay {

// Slows down guessing the relay's API token: a client (an address; IPv6 by its /64 prefix) that gave
// the wrong token `freeFailures` times waits before its next try, twice as long after each further
// failure, up to `longestWait`. A try while waiting is refused unchecked and counts as a failure, so
// only a client that keeps to Retry-After gets a next guess. A client's record is forgotten on a
// success and once it has neither failed nor had to wait for `memory`. At most `maxClients` are
// remembered; the clients beyond share one record, so a spray of addresses is slowed down as one.
// Used on the I/O thread only.
class SignInThrottle {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::uint32_t freeFailures = 5;
    static constexpr std::chrono::seconds firstWait{5};
    static constexpr std::chrono::seconds longestWait{15 * 60};
    static constexpr std::chrono::seconds memory{15 * 60};
    static constexpr std::size_t maxClients = 10000;

    // Nothing when `client` may try now; else the try counts as a failure, and the wait it now has.
    std::optional<std::chrono::seconds> refuse(const std::string& client, Clock::time_point now);
    // Counts a wrong token: the wait it brings, nothing while the client may still try at once.
    std::optional<std::chrono::seconds> failed(const std::string& client, Clock::time_point now);
    void succeeded(const std::string& client);

private:
    struct Record {
        std::uint32_t failures = 0;
        Clock::time_point lastFailure;
        Clock::time_point waitUntil;
    };

    // The record failures of `client` count in: its own, or the shared one when the table is full.
    Record& recordFor(const std::string& client, Clock::time_point now);
    static std::optional<std::chrono::seconds> count(Record& record, Clock::time_point now);
    static bool stale(const Record& record, Clock::time_point now);

    std::unordered_map<std::string, Record> m_records;
    Record m_shared;
    Clock::time_point m_nextSweep;
};

} // namespace corvane::relay
