#pragma once

#include <cstdint>

namespace corvane::relay::OpenFiles {

// How many connections the server may hold with the descriptors it has.
struct ConnectionCaps {
    // Connections served at once.
    std::uint32_t serving = 0;
    // Refused connections drained before closing at once.
    std::uint32_t refusing = 0;
};

// Raises the soft limit on open files to the hard limit; the limit in force afterwards.
std::uint64_t raiseLimit();

// The caps for `limit` open files when `wanted` connections are asked for: descriptors are kept back
// for the database, the log and the event loop, and for refusing connections with 503, so that
// accepting never runs out of them.
ConnectionCaps capsFor(std::uint64_t limit, std::uint32_t wanted);

} // namespace corvane::relay::OpenFiles
