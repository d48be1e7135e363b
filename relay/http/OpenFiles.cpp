#include "http/OpenFiles.h"

#include <sys/resource.h>

#include <algorithm>

namespace corvane::relay::OpenFiles {
namespace {

// Standard streams, the event loop's descriptors, the listening socket, a spare one for shedding
// connections when the table is full anyway, and the SQLite connections with their WAL and
// shared-memory files.
constexpr std::uint64_t reserved = 32;
constexpr std::uint64_t fewestRefusing = 8;
constexpr std::uint64_t mostRefusing = 1024;

} // namespace

std::uint64_t raiseLimit()
{
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0) {
        return 0;
    }
    if (files.rlim_cur < files.rlim_max) {
        const rlimit raised{files.rlim_max, files.rlim_max};
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            files = raised;
        }
    }
    return files.rlim_cur;
}

ConnectionCaps capsFor(std::uint64_t limit, std::uint32_t wanted)
{
    const std::uint64_t available = limit > reserved + 2 * fewestRefusing ? limit - reserved : 2 * fewestRefusing;
    const std::uint64_t refusing = std::clamp(available / 16, fewestRefusing, mostRefusing);
    const std::uint64_t serving = std::min<std::uint64_t>(wanted, available - refusing);
    return {static_cast<std::uint32_t>(serving), static_cast<std::uint32_t>(refusing)};
}

} // namespace corvane::relay::OpenFiles
