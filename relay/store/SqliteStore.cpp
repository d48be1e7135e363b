#include "store/SqliteStore.h"

#include "store/SqliteSchema.h"
#include "store/StoreColumns.h"
#include "store/StoreRows.h"
#include "store/TimeText.h"
#include "verification/SignatureVerifier.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace corvane::relay {
namespace {

// Every remaining row of `statement`, each read by `read`; the first failure ends the read.
template <class Record>
StoreResult<std::vector<Record>> readAll(
    SqliteStatement& statement, StoreResult<Record> (*read)(const SqliteStatement&))
{
    std::vector<Record> result;
    for (;;) {
        auto row = statement.step();
        if (!row) {
            return std::unexpected(row.error());
        }
        if (!*row) {
            return result;
        }
        auto record = read(statement);
        if (!record) {
            return std::unexpected(record.error());
        }
        result.push_back(*std::move(record));
    }
}

// Reads the parts of a body written in parts, in order, as the payload's raw body.
StoreResult<void> readBodyParts(SqliteConnection& connection, StoredPayload& payload)
{
    auto statement = connection.prepare("SELECT bytes FROM body_parts WHERE payload_id = ?1 ORDER BY part");
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(payload.id));
    payload.rawBody.clear();
    for (;;) {
        auto row = statement->step();
        if (!row) {
            return std::unexpected(row.error());
        }
        if (!*row) {
            return {};
        }
        payload.rawBody += statement->blob(0);
    }
}

// The payload rows of `statement` up to the budget of body bytes, the first read whatever its size; a
// raw body larger than `cutBytes` as the row holds it, cut.
StoreResult<std::vector<StoredPayload>> readPayloads(SqliteConnection& connection, SqliteStatement& statement,
    std::size_t bodyBytes, std::size_t cutBytes = std::numeric_limits<std::size_t>::max())
{
    std::vector<StoredPayload> result;
    std::size_t taken = 0;
    for (;;) {
        auto row = statement.step();
        if (!row) {
            return std::unexpected(row.error());
        }
        const auto size = *row ? StoreRows::payloadBodySize(statement) : 0;
        if (!*row || (!result.empty() && taken + size > bodyBytes)) {
            return result;
        }
        taken += size;
        result.push_back(StoreRows::payload(statement, cutBytes));
        if (StoreRows::hasBodyParts(statement, result.back())) {
            if (auto parts = readBodyParts(connection, result.back()); !parts) {
                return std::unexpected(parts.error());
            }
        }
    }
}

// The raw body's size; length() reads the size of a blob, not its bytes.
#define CORVANE_BODY_SIZE                                                                                              \
    "length(p.raw_body) + CASE WHEN p.body_parts > 0 THEN"                                                             \
    " (SELECT SUM(length(b.bytes)) FROM body_parts b WHERE b.payload_id = p.id) ELSE 0 END"

// The columns StoreRows::payload reads, with FORM and RAW for form_body and raw_body, of the payloads
// p (with their listener l) that WHERE selects.
#define CORVANE_PAYLOADS(FORM, RAW, WHERE)                                                                             \
    "SELECT p.id, p.listener_id, l.name, l.token, l.notification_config, p.method, p.headers, p.query,"                \
    " p.body_kind, " FORM ", " RAW ", p.received_at, p.delivered_at, p.body_parts, " CORVANE_BODY_SIZE ","             \
    " p.verification_status, p.verification_reason FROM payloads p JOIN listeners l ON l.id = p.listener_id"           \
    " WHERE " WHERE

// A listed payload: the first ?3 bytes of its raw body at most, read from the row or the first part, and
// its form fields only when the raw body is not cut. ?1 the account, ?2 the limit.
#define CORVANE_LISTED(WHERE)                                                                                          \
    CORVANE_PAYLOADS("CASE WHEN " CORVANE_BODY_SIZE " > ?3 THEN NULL ELSE p.form_body END",                            \
        "CASE WHEN p.body_parts = 0 THEN substr(p.raw_body, 1, ?3) ELSE (SELECT substr(b.bytes, 1, ?3)"                \
        " FROM body_parts b WHERE b.payload_id = p.id AND b.part = 0) END",                                            \
        WHERE " ORDER BY p.seq DESC LIMIT ?2")

constexpr const char* selectPending = CORVANE_PAYLOADS("p.form_body", "p.raw_body",
    "p.account_id = ?1 AND p.delivered_at IS NULL AND p.offered = 1 ORDER BY p.seq LIMIT ?2");
constexpr const char* selectPayload = CORVANE_PAYLOADS("p.form_body", "p.raw_body", "p.account_id = ?1 AND p.id = ?2");
constexpr const char* selectRecent = CORVANE_LISTED("p.account_id = ?1");
constexpr const char* selectRecentOfListener = CORVANE_LISTED("p.listener_id = ?4 AND l.account_id = ?1");

#undef CORVANE_LISTED
#undef CORVANE_PAYLOADS
#undef CORVANE_BODY_SIZE

constexpr const char* selectListener = R"sql(
SELECT l.id, l.token, l.name, l.description, l.is_enabled, l.notification_config, l.created_at, l.updated_at,
    (SELECT COUNT(*) FROM payloads p WHERE p.listener_id = l.id AND p.delivered_at IS NULL AND p.offered = 1),
    l.total_received, l.verification_scheme, l.verification_mode, l.verification_header, l.verification_algorithm,
    l.verification_encoding, l.verification_prefix
FROM listeners l WHERE l.account_id = ?1 AND l.id = ?2)sql";

constexpr const char* selectListeners = R"sql(
SELECT l.id, l.token, l.name, l.description, l.is_enabled, l.notification_config, l.created_at, l.updated_at,
    (SELECT COUNT(*) FROM payloads p WHERE p.listener_id = l.id AND p.delivered_at IS NULL AND p.offered = 1),
    l.total_received, l.verification_scheme, l.verification_mode, l.verification_header, l.verification_algorithm,
    l.verification_encoding, l.verification_prefix
FROM listeners l WHERE l.account_id = ?1 ORDER BY l.created_at DESC, l.rowid DESC)sql";

} // namespace

SqliteStore::SqliteStore(SqliteConnection connection) : m_connection(std::move(connection))
{
}

StoreResult<SqliteStore> SqliteStore::open(const std::string& path)
{
    auto connection = SqliteConnection::open(path);
    if (!connection) {
        return std::unexpected(connection.error());
    }
    if (auto migrated = SqliteSchema::migrate(*connection); !migrated) {
        return std::unexpected(migrated.error());
    }
    if (auto orphans = connection->execute("DELETE FROM body_parts WHERE payload_id NOT IN (SELECT id FROM payloads)");
        !orphans) {
        return std::unexpected(orphans.error());
    }
    return SqliteStore(*std::move(connection));
}

StoreResult<void> SqliteStore::observeWal(SqliteConnection::WalObserver& observer)
{
    return m_connection.observeWal(observer);
}

StoreResult<std::int64_t> SqliteStore::change(const char* sql, auto&&... parameters)
{
    auto statement = m_connection.prepare(sql);
    if (!statement) {
        return std::unexpected(statement.error());
    }
    [[maybe_unused]] int index = 0;
    (statement->bind(++index, parameters), ...);
    return statement->run();
}

StoreResult<void> SqliteStore::beginBatch()
{
    m_receivedInBatch.clear();
    auto begun = change("BEGIN IMMEDIATE");
    if (!begun) {
        return std::unexpected(begun.error());
    }
    return {};
}

StoreResult<void> SqliteStore::commitBatch()
{
    for (const auto& [listenerId, count] : m_receivedInBatch) {
        auto counted = change("UPDATE listeners SET total_received = total_received + ?2 WHERE id = ?1",
            std::string_view(listenerId), count);
        if (!counted) {
            return std::unexpected(counted.error());
        }
    }
    auto committed = change("COMMIT");
    if (!committed) {
        return std::unexpected(committed.error());
    }
    for (const auto& received : m_receivedInBatch) {
        m_receivedSincePrune.insert(received.first);
    }
    m_receivedInBatch.clear();
    return {};
}

void SqliteStore::rollbackBatch()
{
    m_receivedInBatch.clear();
    if (auto rolledBack = m_connection.execute("ROLLBACK"); !rolledBack) {
        // The next batch cannot begin either and reports its own failure; this says why.
        std::fprintf(
            stderr, "corvane-relay: rolling back a failed batch failed: %s\n", rolledBack.error().message.c_str());
    }
}

StoreResult<AccountRecord> SqliteStore::ensureAccount(const AccountRecord& candidate, Milliseconds now)
{
    auto inserted = change("INSERT INTO accounts (id, email, tier, created_at) VALUES (?1, ?2, ?3, ?4)"
                           " ON CONFLICT (email) DO NOTHING",
        std::string_view(candidate.id), std::string_view(candidate.email), std::string_view(candidate.tier), now);
    if (!inserted) {
        return std::unexpected(inserted.error());
    }
    auto statement = m_connection.prepare("SELECT id, email, tier FROM accounts WHERE email = ?1");
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(candidate.email));
    auto row = statement->step();
    if (!row || !*row) {
        return std::unexpected(row ? StoreError{"account vanished"} : row.error());
    }
    return AccountRecord{statement->text(0), statement->text(1), statement->text(2)};
}

StoreResult<std::optional<AccountRecord>> SqliteStore::accountForKey(const std::string& keyHash)
{
    auto statement = m_connection.prepare("SELECT a.id, a.email, a.tier FROM api_keys k"
                                          " JOIN accounts a ON a.id = k.account_id WHERE k.key_hash = ?1");
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(keyHash));
    auto row = statement->step();
    if (!row) {
        return std::unexpected(row.error());
    }
    if (!*row) {
        return std::nullopt;
    }
    return AccountRecord{statement->text(0), statement->text(1), statement->text(2)};
}

StoreResult<void> SqliteStore::addApiKey(const std::string& keyHash, const std::string& accountId, Milliseconds now)
{
    auto inserted = change("INSERT INTO api_keys (key_hash, account_id, created_at) VALUES (?1, ?2, ?3)",
        std::string_view(keyHash), std::string_view(accountId), now);
    if (!inserted) {
        return std::unexpected(inserted.error());
    }
    return {};
}

StoreResult<bool> SqliteStore::revokeApiKey(const std::string& keyHash)
{
    auto removed = change("DELETE FROM api_keys WHERE key_hash = ?1", std::string_view(keyHash));
    return removed ? StoreResult<bool>(*removed > 0) : std::unexpected(removed.error());
}

StoreResult<void> SqliteStore::createListener(const NewListener& listener)
{
    const auto verification = StoreColumns::verification(listener.verification);
    auto inserted = change("INSERT INTO listeners (id, account_id, token, name, description, is_enabled,"
                           " notification_config, created_at, updated_at, verification_scheme, verification_mode,"
                           " verification_secret, verification_header, verification_algorithm,"
                           " verification_encoding, verification_prefix)"
                           " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)",
        std::string_view(listener.id), std::string_view(listener.accountId), std::string_view(listener.token),
        std::string_view(listener.name), listener.description, std::int64_t(listener.isEnabled),
        std::string_view(StoreColumns::configText(listener.notificationConfig)), listener.createdAt, verification[0],
        verification[1], verification[2], verification[3], verification[4], verification[5], verification[6]);
    if (!inserted) {
        return std::unexpected(inserted.error());
    }
    return {};
}

StoreResult<std::optional<std::string>> SqliteStore::storedSecret(
    const std::string& accountId, const std::string& id, VerificationScheme scheme)
{
    auto statement = m_connection.prepare("SELECT verification_secret FROM listeners"
                                          " WHERE account_id = ?1 AND id = ?2 AND verification_scheme IS ?3");
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(accountId))
        .bind(2, std::string_view(id))
        .bind(3, VerificationNames::of(scheme));
    auto row = statement->step();
    if (!row) {
        return std::unexpected(row.error());
    }
    if (*row) {
        return statement->optionalText(0).value_or("");
    }
    auto exists = m_connection.prepare("SELECT 1 FROM listeners WHERE account_id = ?1 AND id = ?2");
    if (!exists) {
        return std::unexpected(exists.error());
    }
    exists->bind(1, std::string_view(accountId)).bind(2, std::string_view(id));
    auto found = exists->step();
    if (!found) {
        return std::unexpected(found.error());
    }
    return *found ? std::optional<std::string>("") : std::nullopt;
}

StoreResult<ListenerUpdate> SqliteStore::updateListener(
    const std::string& accountId, const std::string& id, const ListenerChanges& changes, Milliseconds now)
{
    const auto secret = [&](VerificationScheme scheme) { return storedSecret(accountId, id, scheme); };
    return StoreColumns::updateListener(changes, secret, [&](const StoreColumns::UpdatedColumns& columns) {
        const auto& [config, verification] = columns;
        return change(R"sql(
UPDATE listeners SET
    name = CASE WHEN ?1 THEN ?2 ELSE name END,
    description = CASE WHEN ?3 THEN ?4 ELSE description END,
    notification_config = CASE WHEN ?5 THEN ?6 ELSE notification_config END,
    is_enabled = CASE WHEN ?7 THEN ?8 ELSE is_enabled END,
    updated_at = ?9,
    verification_scheme = CASE WHEN ?12 THEN ?13 ELSE verification_scheme END,
    verification_mode = CASE WHEN ?12 THEN ?14 ELSE verification_mode END,
    verification_secret = CASE WHEN ?12 THEN ?15 ELSE verification_secret END,
    verification_header = CASE WHEN ?12 THEN ?16 ELSE verification_header END,
    verification_algorithm = CASE WHEN ?12 THEN ?17 ELSE verification_algorithm END,
    verification_encoding = CASE WHEN ?12 THEN ?18 ELSE verification_encoding END,
    verification_prefix = CASE WHEN ?12 THEN ?19 ELSE verification_prefix END
WHERE account_id = ?10 AND id = ?11)sql",
            std::int64_t(changes.name.has_value()), changes.name, std::int64_t(changes.description.has_value()),
            changes.description.value_or(std::nullopt), std::int64_t(config.has_value()), config,
            std::int64_t(changes.isEnabled.has_value()), std::int64_t(changes.isEnabled.value_or(false)), now,
            std::string_view(accountId), std::string_view(id), std::int64_t(changes.verification.has_value()),
            verification[0], verification[1], verification[2], verification[3], verification[4], verification[5],
            verification[6]);
    });
}

StoreResult<bool> SqliteStore::deleteListener(const std::string& accountId, const std::string& id)
{
    auto removed = change(
        "DELETE FROM listeners WHERE account_id = ?1 AND id = ?2", std::string_view(accountId), std::string_view(id));
    return removed ? StoreResult<bool>(*removed > 0) : std::unexpected(removed.error());
}

StoreResult<std::optional<ListenerRecord>> SqliteStore::listener(const std::string& accountId, const std::string& id)
{
    auto statement = m_connection.prepare(selectListener);
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(accountId)).bind(2, std::string_view(id));
    auto found = readAll(*statement, &StoreRows::listener<SqliteStatement>);
    if (!found) {
        return std::unexpected(found.error());
    }
    return found->empty() ? std::nullopt : std::optional(std::move(found->front()));
}

StoreResult<std::vector<ListenerRecord>> SqliteStore::listeners(const std::string& accountId)
{
    auto statement = m_connection.prepare(selectListeners);
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(accountId));
    return readAll(*statement, &StoreRows::listener<SqliteStatement>);
}

StoreResult<std::optional<HookTarget>> SqliteStore::hookTarget(const std::string& token)
{
    auto statement = m_connection.prepare(
        "SELECT id, account_id, is_enabled, verification_scheme, verification_mode, verification_header,"
        " verification_algorithm, verification_encoding, verification_prefix, verification_secret"
        " FROM listeners WHERE token = ?1");
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(token));
    auto row = statement->step();
    if (!row) {
        return std::unexpected(row.error());
    }
    if (!*row) {
        return std::nullopt;
    }
    HookTarget target{
        statement->text(0), statement->text(1), statement->integer(2) != 0, StoreRows::verification(*statement, 3)};
    if (target.verification) {
        target.verification->secret = statement->text(9);
    }
    return target;
}

StoreResult<void> SqliteStore::insertBodyPart(const std::string& payloadId, std::int64_t part, std::string_view bytes)
{
    auto statement = m_connection.prepare("INSERT INTO body_parts (payload_id, part, bytes) VALUES (?1, ?2, ?3)");
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(payloadId)).bind(2, part).bindBlob(3, bytes);
    if (auto inserted = statement->run(); !inserted) {
        return std::unexpected(inserted.error());
    }
    return {};
}

StoreResult<bool> SqliteStore::insertCapture(const Capture& capture)
{
    if (capture.webhookId) {
        // A webhook-id seen within the tolerance is a retry; one seen before that is taken as new.
        auto noted = change(R"sql(
INSERT INTO webhook_ids (listener_id, webhook_id, seen_at) VALUES (?1, ?2, ?3)
ON CONFLICT (listener_id, webhook_id) DO UPDATE SET seen_at = excluded.seen_at
WHERE seen_at < excluded.seen_at - ?4)sql",
            std::string_view(capture.listenerId), std::string_view(*capture.webhookId), capture.receivedAt,
            SignatureVerifier::toleranceSeconds * 1000);
        if (!noted) {
            return std::unexpected(noted.error());
        }
        if (*noted == 0) {
            auto parts = change("DELETE FROM body_parts WHERE payload_id = ?1", std::string_view(capture.id));
            return parts ? StoreResult<bool>(false) : std::unexpected(parts.error());
        }
    }
    const auto verification = StoreColumns::verificationStatus(capture.verification);
    auto statement = m_connection.prepare(
        "INSERT INTO payloads (id, listener_id, account_id, method, headers, query, body_kind, form_body, raw_body,"
        " received_at, offered, body_parts, verification_status, verification_reason)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(capture.id))
        .bind(2, std::string_view(capture.listenerId))
        .bind(3, std::string_view(capture.accountId))
        .bind(4, std::string_view(capture.method))
        .bind(5, std::string_view(capture.headers))
        .bind(6, capture.query)
        .bind(7, std::int64_t(capture.bodyKind))
        .bind(8, capture.formBody)
        .bindBlob(9, capture.rawBody)
        .bind(10, capture.receivedAt)
        .bind(11, std::int64_t(capture.offered))
        .bind(12, capture.bodyParts)
        .bind(13, verification.status)
        .bind(14, verification.reason);
    if (auto inserted = statement->run(); !inserted) {
        return std::unexpected(inserted.error());
    }
    ++m_receivedInBatch[capture.listenerId];
    return true;
}

StoreResult<std::int64_t> SqliteStore::removeBeyondNewest(std::int64_t keep)
{
    std::vector<std::string> listenerIds;
    if (m_prunedOnce) {
        listenerIds.assign(m_receivedSincePrune.begin(), m_receivedSincePrune.end());
    } else {
        auto statement = m_connection.prepare("SELECT id FROM listeners");
        if (!statement) {
            return std::unexpected(statement.error());
        }
        for (;;) {
            auto row = statement->step();
            if (!row) {
                return std::unexpected(row.error());
            }
            if (!*row) {
                break;
            }
            listenerIds.push_back(statement->text(0));
        }
    }
    std::int64_t removed = 0;
    for (const auto& listenerId : listenerIds) {
        // Both searches walk the listener's end of payloads_by_listener; the subquery finds the newest
        // payload beyond the ones kept, if there is one.
        auto surplus = change(R"sql(
DELETE FROM payloads WHERE listener_id = ?1 AND seq <= (
    SELECT seq FROM payloads WHERE listener_id = ?1 ORDER BY seq DESC LIMIT 1 OFFSET ?2))sql",
            std::string_view(listenerId), keep);
        if (!surplus) {
            return std::unexpected(surplus.error());
        }
        removed += *surplus;
        m_receivedSincePrune.erase(listenerId);
    }
    m_prunedOnce = true;
    return removed;
}

StoreResult<std::int64_t> SqliteStore::removeReceivedBefore(Milliseconds cutoff)
{
    return change("DELETE FROM payloads WHERE received_at < ?1", cutoff);
}

StoreResult<void> SqliteStore::removeWebhookIdsBefore(Milliseconds cutoff)
{
    auto removed = change("DELETE FROM webhook_ids WHERE seen_at < ?1", cutoff);
    if (!removed) {
        return std::unexpected(removed.error());
    }
    return {};
}

StoreResult<PendingPage> SqliteStore::pending(const std::string& accountId, std::int64_t limit, std::size_t bodyBytes)
{
    PendingPage page;
    {
        auto counter = m_connection.prepare(
            "SELECT COUNT(*) FROM payloads WHERE account_id = ?1 AND delivered_at IS NULL AND offered = 1");
        if (!counter) {
            return std::unexpected(counter.error());
        }
        counter->bind(1, std::string_view(accountId));
        if (auto row = counter->step(); !row) {
            return std::unexpected(row.error());
        }
        page.count = counter->integer(0);
    }
    auto statement = m_connection.prepare(selectPending);
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(accountId)).bind(2, limit);
    auto payloads = readPayloads(m_connection, *statement, bodyBytes);
    if (!payloads) {
        return std::unexpected(payloads.error());
    }
    page.payloads = *std::move(payloads);
    return page;
}

StoreResult<std::vector<StoredPayload>> SqliteStore::recent(const std::string& accountId,
    const std::optional<std::string>& listenerId, std::int64_t limit, std::size_t bodyBytes)
{
    auto statement = m_connection.prepare(listenerId ? selectRecentOfListener : selectRecent);
    if (!statement) {
        return std::unexpected(statement.error());
    }
    const auto cut = std::int64_t(std::min<std::size_t>(bodyBytes, std::numeric_limits<std::int64_t>::max()));
    statement->bind(1, std::string_view(accountId)).bind(2, limit).bind(3, cut);
    if (listenerId) {
        statement->bind(4, std::string_view(*listenerId));
    }
    return readPayloads(m_connection, *statement, std::numeric_limits<std::size_t>::max(), bodyBytes);
}

StoreResult<std::optional<StoredPayload>> SqliteStore::payload(
    const std::string& accountId, const std::string& payloadId)
{
    auto statement = m_connection.prepare(selectPayload);
    if (!statement) {
        return std::unexpected(statement.error());
    }
    statement->bind(1, std::string_view(accountId)).bind(2, std::string_view(payloadId));
    auto found = readPayloads(m_connection, *statement, 0);
    if (!found) {
        return std::unexpected(found.error());
    }
    if (found->empty()) {
        return std::nullopt;
    }
    return std::move(found->front());
}

StoreResult<bool> SqliteStore::markDelivered(
    const std::string& accountId, const std::string& payloadId, Milliseconds now)
{
    auto updated
        = change("UPDATE payloads SET delivered_at = COALESCE(delivered_at, ?1) WHERE account_id = ?2 AND id = ?3", now,
            std::string_view(accountId), std::string_view(payloadId));
    return updated ? StoreResult<bool>(*updated > 0) : std::unexpected(updated.error());
}

StoreResult<std::int64_t> SqliteStore::payloadCount()
{
    auto statement = m_connection.prepare("SELECT COUNT(*) FROM payloads");
    if (!statement) {
        return std::unexpected(statement.error());
    }
    if (auto row = statement->step(); !row) {
        return std::unexpected(row.error());
    }
    return statement->integer(0);
}

StoreResult<void> SqliteStore::recordHealthCheck(Milliseconds now)
{
    auto written = change("INSERT INTO health (id, checked_at) VALUES (1, ?1)"
                          " ON CONFLICT (id) DO UPDATE SET checked_at = excluded.checked_at",
        now);
    if (!written) {
        return std::unexpected(written.error());
    }
    return {};
}

} // namespace corvane::relay
