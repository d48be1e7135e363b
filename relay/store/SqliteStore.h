#pragma once

#include "store/SqliteConnection.h"
#include "store/Store.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace corvane::relay {

// The store on one SQLite connection. Open one per thread: the writer's and the readers'.
class SqliteStore final : public Store {
public:
    // Opens the database and brings its schema up to date.
    static StoreResult<SqliteStore> open(const std::string& path);

    // See SqliteConnection::observeWal.
    StoreResult<void> observeWal(SqliteConnection::WalObserver& observer);

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
    explicit SqliteStore(SqliteConnection connection);

    StoreResult<std::int64_t> change(const char* sql, auto&&... parameters);
    // The secret stored for the listener under `scheme`; empty when it has none for that scheme, nothing
    // when there is no such listener.
    StoreResult<std::optional<std::string>> storedSecret(
        const std::string& accountId, const std::string& id, VerificationScheme scheme);

    SqliteConnection m_connection;
    // Captures inserted in the open batch, per listener: added to the listeners' totals once per
    // batch, just before it commits, instead of once per capture.
    std::unordered_map<std::string, std::int64_t> m_receivedInBatch;
    // Listeners that may hold more payloads than retention keeps: the ones that received since the
    // last pass, and all of them until the first pass is done.
    std::unordered_set<std::string> m_receivedSincePrune;
    bool m_prunedOnce = false;
};

} // namespace corvane::relay
