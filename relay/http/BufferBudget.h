#pragma once

#include <cstdint>

namespace corvane::relay {

// The request bytes all connections together may hold in memory, handed out as the bytes arrive.
// Used on the I/O thread only.
class BufferBudget {
public:
    explicit BufferBudget(std::uint64_t limit);

    // Whether `bytes` more would fit now.
    bool fits(std::uint64_t bytes) const;

    // What one request holds, given back when the share ends.
    class Share {
    public:
        explicit Share(BufferBudget& budget);
        Share(const Share&) = delete;
        Share& operator=(const Share&) = delete;
        ~Share();

        // Holds `bytes` in all from now on; false when that takes the budget beyond its limit.
        bool hold(std::uint64_t bytes);

    private:
        BufferBudget& m_budget;
        std::uint64_t m_bytes = 0;
    };

private:
    std::uint64_t m_limit;
    std::uint64_t m_held = 0;
};

} // namespace corvane::relay
