#include "api/Metrics.h"

#include <sstream>

namespace corvane::relay {
namespace {

template <class Histogram, class Bounds> void observe(Histogram& histogram, const Bounds& bounds, double value)
{
    for (std::size_t index = 0; index < bounds.size(); ++index) {
        if (value <= bounds[index]) {
            ++histogram.counts[index];
        }
    }
    ++histogram.total;
    histogram.sum += value;
}

template <class Histogram, class Bounds>
void write(
    std::ostringstream& out, const char* name, const char* help, const Histogram& histogram, const Bounds& bounds)
{
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << " histogram\n";
    for (std::size_t index = 0; index < bounds.size(); ++index) {
        out << name << "_bucket{le=\"" << bounds[index] << "\"} " << histogram.counts[index] << '\n';
    }
    out << name << "_bucket{le=\"+Inf\"} " << histogram.total << '\n';
    out << name << "_sum " << histogram.sum << '\n' << name << "_count " << histogram.total << '\n';
}

} // namespace

void Metrics::requestAnswered(const std::string& route, unsigned status)
{
    std::lock_guard lock(m_mutex);
    ++m_requests[{route, status}];
}

void Metrics::webhookStored(std::chrono::steady_clock::duration latency)
{
    std::lock_guard lock(m_mutex);
    observe(m_ingestLatency, latencyBounds, std::chrono::duration<double>(latency).count());
}

void Metrics::signatureChecked(VerificationScheme scheme, VerificationOutcomeKind outcome)
{
    std::lock_guard lock(m_mutex);
    ++m_verifications.at(std::size_t(scheme)).at(std::size_t(outcome));
}

void Metrics::batchCommitted(std::size_t size)
{
    std::lock_guard lock(m_mutex);
    observe(m_batchSizes, batchBounds, double(size));
}

std::string Metrics::text(std::int64_t payloadsStored, std::size_t changeWaiters) const
{
    std::lock_guard lock(m_mutex);
    std::ostringstream out;
    out << "# HELP corvane_relay_requests_total HTTP requests answered, by route and status.\n"
           "# TYPE corvane_relay_requests_total counter\n";
    for (const auto& [key, count] : m_requests) {
        out << "corvane_relay_requests_total{route=\"" << key.first << "\",status=\"" << key.second << "\"} " << count
            << '\n';
    }
    write(out, "corvane_relay_ingest_seconds", "Time from a webhook's arrival to its committed acknowledgement.",
        m_ingestLatency, latencyBounds);
    write(out, "corvane_relay_commit_batch_size", "Writes committed together in one transaction.", m_batchSizes,
        batchBounds);
    out << "# HELP corvane_relay_verifications_total Requests to listeners that verify signatures, by scheme and"
           " outcome.\n# TYPE corvane_relay_verifications_total counter\n";
    constexpr std::array outcomes{"verified", "failed", "replayed"};
    for (std::size_t scheme = 0; scheme < m_verifications.size(); ++scheme) {
        for (std::size_t outcome = 0; outcome < outcomes.size(); ++outcome) {
            out << "corvane_relay_verifications_total{scheme=\""
                << VerificationNames::of(static_cast<VerificationScheme>(scheme)) << "\",outcome=\""
                << outcomes.at(outcome) << "\"} " << m_verifications.at(scheme).at(outcome) << '\n';
        }
    }
    out << "# HELP corvane_relay_payloads_stored Captured requests in the database.\n"
           "# TYPE corvane_relay_payloads_stored gauge\n"
           "corvane_relay_payloads_stored "
        << payloadsStored << '\n';
    out << "# HELP corvane_relay_change_waiters Requests waiting in GET /changes.\n"
           "# TYPE corvane_relay_change_waiters gauge\n"
           "corvane_relay_change_waiters "
        << changeWaiters << '\n';
    return out.str();
}

} // namespace corvane::relay
