#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>

namespace corvane::relay {

// A token bucket per key: `rate` requests per second on average, up to `burst` at once. A rate of
// zero admits everything. Used on the I/O thread only.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    RateLimiter(double rate, double burst);

    // Nothing when admitted, else how long until a request would be.
    std::optional<std::chrono::milliseconds> admit(const std::string& key, Clock::time_point now);

private:
    struct Bucket {
        double tokens = 0;
        Clock::time_point updated;
    };

    double m_rate;
    double m_burst;
    std::unordered_map<std::string, Bucket> m_buckets;
};

} // namespace corvane::relay
