#pragma once

#include "store/AccountRecord.h"
#include "store/Capture.h"
#include "store/HookTarget.h"
#include "store/ListenerChanges.h"
#include "store/ListenerRecord.h"
#include "store/Milliseconds.h"
#include "store/NewListener.h"
#include "store/PendingPage.h"
#include "store/StoreResult.h"
#include "store/StoredPayload.h"

#include <optional>
#include <string>
#include <vector>

namespace corvane::relay {

// The relay's storage, one connection's worth. Writes happen between beginBatch and commitBatch on
// the one writer's connection; reads may use any connection and see only committed data. Every
// lookup that names an account sees only that account's rows.
class Store {
public:
    virtual ~Store() = default;

    virtual StoreResult<void> beginBatch() = 0;
    virtual StoreResult<void> commitBatch() = 0;
    virtual void rollbackBatch() = 0;

    // The account with the candidate's e-mail address, created from the candidate when there is none.
    virtual StoreResult<AccountRecord> ensureAccount(const AccountRecord& candidate, Milliseconds now) = 0;
    virtual StoreResult<std::optional<AccountRecord>> accountForKey(const std::string& keyHash) = 0;
    virtual StoreResult<void> addApiKey(const std::string& keyHash, const std::string& accountId, Milliseconds now) = 0;
    virtual StoreResult<bool> revokeApiKey(const std::string& keyHash) = 0;

    virtual StoreResult<void> createListener(const NewListener& listener) = 0;
    virtual StoreResult<ListenerUpdate> updateListener(
        const std::string& accountId, const std::string& id, const ListenerChanges& changes, Milliseconds now)
        = 0;
    // Deletes the listener and every payload it received.
    virtual StoreResult<bool> deleteListener(const std::string& accountId, const std::string& id) = 0;
    virtual StoreResult<std::optional<ListenerRecord>> listener(const std::string& accountId, const std::string& id)
        = 0;
    // Newest first.
    virtual StoreResult<std::vector<ListenerRecord>> listeners(const std::string& accountId) = 0;
    virtual StoreResult<std::optional<HookTarget>> hookTarget(const std::string& token) = 0;

    // A large body goes in before its payload, one part per transaction, so that no commit holds all of
    // it; parts that no payload claims are removed when the store opens (as after a crash).
    virtual StoreResult<void> insertBodyPart(const std::string& payloadId, std::int64_t part, std::string_view bytes)
        = 0;
    // False, with nothing written, when the capture's webhook-id was stored for its listener less than
    // SignatureVerifier::toleranceSeconds before it was received: a retry of a stored payload. A
    // store may write the payload with the rest of its batch, as the batch commits.
    virtual StoreResult<bool> insertCapture(const Capture& capture) = 0;
    // Removes all but the newest `keep` payloads of every listener; the number removed. May look only
    // at the listeners that received payloads since its last call on this store.
    virtual StoreResult<std::int64_t> removeBeyondNewest(std::int64_t keep) = 0;
    virtual StoreResult<std::int64_t> removeReceivedBefore(Milliseconds cutoff) = 0;
    // Forgets the webhook-ids stored before `cutoff`.
    virtual StoreResult<void> removeWebhookIdsBefore(Milliseconds cutoff) = 0;

    // Undelivered payloads that polling may offer, oldest first, and how many there are in all: at most
    // `limit`, stopping before the first one whose body would take the bodies read beyond `bodyBytes`
    // (raw and form fields counted), unless it is the first.
    virtual StoreResult<PendingPage> pending(const std::string& accountId, std::int64_t limit, std::size_t bodyBytes)
        = 0;
    // At most `limit` payloads, newest first, of the account or of one of its listeners. A raw body
    // larger than `bodyBytes` is read as its first `bodyBytes` bytes at most, with bodySize set; only
    // that much of it leaves the database.
    virtual StoreResult<std::vector<StoredPayload>> recent(const std::string& accountId,
        const std::optional<std::string>& listenerId, std::int64_t limit, std::size_t bodyBytes)
        = 0;
    // The account's payload with this id, its body whole.
    virtual StoreResult<std::optional<StoredPayload>> payload(
        const std::string& accountId, const std::string& payloadId)
        = 0;
    // True when the payload exists in the account, delivered before or not.
    virtual StoreResult<bool> markDelivered(
        const std::string& accountId, const std::string& payloadId, Milliseconds now)
        = 0;
    virtual StoreResult<std::int64_t> payloadCount() = 0;

    // A real write, for health checks.
    virtual StoreResult<void> recordHealthCheck(Milliseconds now) = 0;
};

} // namespace corvane::relay
