#pragma once

#include "store/CommitQueue.h"
#include "verification/VerificationSettings.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace corvane::relay {

// What became of a request to a listener that verifies signatures: stored as verified, failed
// (rejected or stored as failed), or not stored again because it repeated a verified webhook-id.
enum class VerificationOutcomeKind { verified, failed, replayed };

// Counters and histograms for GET /metrics, in the Prometheus text format. Thread-safe: the writer
// thread reports batch sizes, the I/O thread the rest.
class Metrics final : public CommitQueue::Observer {
public:
    void requestAnswered(const std::string& route, unsigned status);
    void webhookStored(std::chrono::steady_clock::duration latency);
    void signatureChecked(VerificationScheme scheme, VerificationOutcomeKind outcome);
    void batchCommitted(std::size_t size) override;

    std::string text(std::int64_t payloadsStored, std::size_t changeWaiters) const;

private:
    template <std::size_t Buckets> struct Histogram {
        std::array<std::uint64_t, Buckets> counts{};
        std::uint64_t total = 0;
        double sum = 0;
    };

    static constexpr std::array latencyBounds{0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 1.0};
    static constexpr std::array batchBounds{1.0, 2.0, 5.0, 10.0, 25.0, 50.0, 100.0, 250.0, 500.0, 1000.0};

    mutable std::mutex m_mutex;
    std::map<std::pair<std::string, unsigned>, std::uint64_t> m_requests;
    Histogram<latencyBounds.size()> m_ingestLatency;
    Histogram<batchBounds.size()> m_batchSizes;
    // By scheme, then by outcome, in the order of their enumerations.
    std::array<std::array<std::uint64_t, 3>, 5> m_verifications{};
};

} // namespace corvane::relay
