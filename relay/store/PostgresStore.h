#pragma once

#include "store/PostgresConnection.h"
#include "store/Store.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace corvane::relay {

// The store on one PostgreSQL connection. Open one per thread: the writer's and the readers'. Several
// relays may share the database, each with its own writer: batches are READ COMMITTED transactions
// whose writes do not depend on what they read before, and retention runs in one relay at a time.
// Body parts no payload claims are removed when the store opens only once they are an hour old:
// younger ones may belong to a body another relay is writing.
class PostgresStore final : public Store {
public:
    // Connects and brings the schema up to date. See PostgresConnection for `reconnectWait`.
    static StoreResult<PostgresStore> open(const std::string& database, std::chrono::milliseconds reconnectWait);

    StoreResult<void> beginBatch() override;
    StoreResult<void> commitBatch() override;
    void rollbackBatch() override;

    StoreResult<AccountRecord> ensureAccount(const AccountRecord& candidate, Milliseconds now) override;
    StoreResult<std::optional<AccountRecord>> accountForKey(const std::string& keyHash) override;
    StoreResult<void> addApiKey(const std::string& keyHash, const std::string& accountId, Milliseconds now) override;
    StoreResult<bool> revokeApiKey(const std::string& keyHash) override;

    StoreResult<void> createListener(const NewListener& listener) override;
    StoreResult<ListenerUpdate> updateListener(
        const std::string& accountId, const std::string& id, const ListenerChanges& changes, Milliseconds now) override;
    StoreResult<bool> deleteListener(const std::string& accountId, const std::string& id) override;
    StoreResult<std::optional<ListenerRecord>> listener(const std::string& accountId, const std::string& id) override;
    StoreResult<std::vector<ListenerRecord>> listeners(const std::string& accountId) override;
    StoreResult<std::optional<HookTarget>> hookTarget(const std::string& token) override;

    StoreResult<void> insertBodyPart(const std::string& payloadId, std::int64_t part, std::string_view bytes) override;
    StoreResult<bool> insertCapture(const Capture& capture) override;
    StoreResult<std::int64_t> removeBeyondNewest(std::int64_t keep) override;
    StoreResult<std::int64_t> removeReceivedBefore(Milliseconds cutoff) override;
    StoreResult<void> removeWebhookIdsBefore(Milliseconds cutoff) override;

    StoreResult<PendingPage> pending(const std::string& accountId, std::int64_t limit, std::size_t bodyBytes) override;
    StoreResult<std::vector<StoredPayload>> recent(const std::string& accountId,
        const std::optional<std::string>& listenerId, std::int64_t limit, std::size_t bodyBytes) override;
    StoreResult<std::optional<StoredPayload>> payload(
        const std::string& accountId, const std::string& payloadId) override;
    StoreResult<bool> markDelivered(
        const std::string& accountId, const std::string& payloadId, Milliseconds now) override;
    StoreResult<std::int64_t> payloadCount() override;

    StoreResult<void> recordHealthCheck(Milliseconds now) override;

private:
    explicit PostgresStore(PostgresConnection connection);

    // Runs `work` within a batch under a savepoint of its own, so that a failed statement undoes that
    // work alone instead of failing the transaction every other submitter's work is in.
    template <class Work> auto guarded(Work&& work) -> decltype(work());
    // The rows `sql` changed.
    StoreResult<std::int64_t> change(const char* sql, const PostgresParameters& parameters);
    // Whether this transaction holds the retention lock, taken when no other relay's does.
    StoreResult<bool> retentionLock();
    // The payloads `sql` selects, each read by StoreRows::payload with `cutBytes`.
    StoreResult<std::vector<StoredPayload>> payloads(const char* sql, const PostgresParameters& parameters,
        std::size_t cutBytes = std::numeric_limits<std::size_t>::max());
    // Inserts the captures of the open batch, up to capturesPerInsert in one statement.
    StoreResult<void> writeCaptures();
    StoreResult<std::optional<std::string>> storedSecret(
        const std::string& accountId, const std::string& id, VerificationScheme scheme);

    // Rows of one INSERT: each row count is a statement of its own, prepared once per connection.
    static constexpr std::size_t capturesPerInsert = 32;

    PostgresConnection m_connection;
    bool m_inBatch = false;
    // Captures of the open batch, inserted together just before it commits.
    std::vector<Capture> m_capturesInBatch;
    // The INSERT statement for n captures at index n - 1, made when first needed.
    std::vector<std::string> m_insertCaptures;
    // Captures inserted in the open batch, per listener, whose rows the batch holds: added to the
    // listeners' totals once per batch, just before it commits. Ordered, so that relays sharing the
    // database lock the listeners' rows in one order and never deadlock.
    std::map<std::string, std::int64_t> m_receivedInBatch;
};

} // namespace corvane::relay
