#include "api/RateLimiter.h"

#include <algorithm>
#include <cmath>

namespace corvane::relay {
namespace {

// Past this many buckets, full ones are forgotten: a full bucket behaves like a missing one.
constexpr std::size_t bucketsBeforeSweep = 100000;

} // namespace

RateLimiter::RateLimiter(double rate, double burst) : m_rate(rate), m_burst(std::max(burst, 1.0))
{
}

std::optional<std::chrono::milliseconds> RateLimiter::admit(const std::string& key, Clock::time_point now)
{
    if (m_rate <= 0) {
        return std::nullopt;
    }
    auto refilled = [this, now](const Bucket& bucket) {
        const double elapsed = std::chrono::duration<double>(now - bucket.updated).count();
        return std::min(m_burst, bucket.tokens + elapsed * m_rate);
    };
    if (m_buckets.size() >= bucketsBeforeSweep) {
        std::erase_if(m_buckets, [&](const auto& entry) { return refilled(entry.second) >= m_burst; });
    }
    auto [entry, created] = m_buckets.try_emplace(key, Bucket{m_burst, now});
    Bucket& bucket = entry->second;
    bucket.tokens = refilled(bucket);
    bucket.updated = now;
    if (bucket.tokens >= 1) {
        bucket.tokens -= 1;
        return std::nullopt;
    }
    const double wait = (1 - bucket.tokens) / m_rate;
    return std::chrono::milliseconds(static_cast<std::int64_t>(std::ceil(wait * 1000)));
}

} // namespace corvane::relay
