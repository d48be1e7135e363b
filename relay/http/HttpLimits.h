#pragma once

#include <chrono>
#include <cstdint>

namespace corvane::relay {

// What the server holds every client to, and how many it serves at once.
struct HttpLimits {
    // Also bound a chunked body: each chunk-size line, the chunk extensions of all its lines together,
    // its trailer section and its trailer fields.
    std::uint32_t maxHeaderBytes = 16 * 1024;
    std::uint32_t maxHeaderCount = 100;
    std::uint64_t maxBodyBytes = std::uint64_t{10} * 1024 * 1024;
    std::chrono::seconds headerTimeout{10};
    std::chrono::seconds bodyTimeout{60};
    std::chrono::seconds idleTimeout{30};
    // Connections served at once; the ones beyond are answered 503 and closed.
    std::uint32_t maxConnections = 1000;
    // Connections served at once from one client address (IPv6: one /64 prefix); 0 for no cap.
    std::uint32_t maxConnectionsPerClient = 64;
    // Refused connections drained before closing at once; beyond them a refusal closes right away.
    std::uint32_t maxRefusing = 64;
    // Request bytes all connections together may hold; a body beyond it is refused with 503.
    std::uint64_t maxBufferedBytes = std::uint64_t{256} * 1024 * 1024;
};

} // namespace corvane::relay
