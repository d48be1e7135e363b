#include "store/PostgresStore.h"

#include "store/PostgresSchema.h"
#include "store/StoreColumns.h"
#include "store/StoreRows.h"
#include "verification/SignatureVerifier.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <span>

namespace corvane::relay {
namespace {

// The advisory lock a retention pass holds for its transaction; any constant other code does not use.
constexpr std::int64_t retentionLockKey = 0x636f7276616e6502;

constexpr const char* selectListener = R"sql(
SELECT l.id, l.token, l.name, l.description, l.is_enabled, l.notification_config, l.created_at, l.updated_at,
    (SELECT COUNT(*) FROM payloads p WHERE p.listener_id = l.id AND p.delivered_at IS NULL AND p.offered),
    l.total_received, l.verification_scheme, l.verification_mode, l.verification_header, l.verification_algorithm,
    l.verification_encoding, l.verification_prefix
FROM listeners l WHERE l.account_id = $1 AND l.id = $2)sql";

constexpr const char* selectListeners = R"sql(
SELECT l.id, l.token, l.name, l.description, l.is_enabled, l.notification_config, l.created_at, l.updated_at,
    (SELECT COUNT(*) FROM payloads p WHERE p.listener_id = l.id AND p.delivered_at IS NULL AND p.offered),
    l.total_received, l.verification_scheme, l.verification_mode, l.verification_header, l.verification_algorithm,
    l.verification_encoding, l.verification_prefix
FROM listeners l WHERE l.account_id = $1 ORDER BY l.created_at DESC, l.seq DESC)sql";

// The raw body's size, in the row or in parts; octet_length() reads the size of a stored value, not
// its bytes.
#define CORVANE_BODY_SIZE                                                                                              \
    "(octet_length(p.raw_body) + CASE WHEN p.body_parts > 0 THEN (SELECT COALESCE(SUM(octet_length(b.bytes)), 0)"      \
    " FROM body_parts b WHERE b.payload_id = p.id) ELSE 0 END)::bigint"

// The columns StoreRows::payload reads, with FORM and RAW for form_body and raw_body, of the payloads
// p (with their listener l) that WHERE selects.
#define CORVANE_PAYLOADS(FORM, RAW, WHERE)                                                                             \
    "SELECT p.seq, p.id, p.listener_id, l.name, l.token, l.notification_config, p.method, p.headers, p.query,"         \
    " p.body_kind, " FORM " AS form_body, " RAW                                                                        \
    " AS raw_body, p.received_at, p.delivered_at, p.body_parts, " CORVANE_BODY_SIZE                                    \
    " AS body_size, p.verification_status, p.verification_reason"                                                      \
    " FROM payloads p JOIN listeners l ON l.id = p.listener_id WHERE " WHERE

#define CORVANE_COLUMNS                                                                                                \
    "id, listener_id, name, token, notification_config, method, headers, query, body_kind, form_body, raw_body,"       \
    " received_at, delivered_at, body_parts, body_size, verification_status, verification_reason"

// Whole payloads, with `seq` for ordering.
#define CORVANE_WHOLE(WHERE) CORVANE_PAYLOADS("p.form_body", "p.raw_body", WHERE)

// A page of payloads: the first `limit` of the rows the inner query selects, cut before the first
// one whose body would take the bodies read beyond the budget, unless it is the first. The budget is
// applied here so that bodies beyond it never leave the server. $1 the account, $2 the limit, $3 the
// budget; the page's order is the inner one's.
#define CORVANE_PAYLOAD_PAGE(WHERE, ORDER)                                                                             \
    "SELECT " CORVANE_COLUMNS " FROM (SELECT page.*, row_number() OVER w AS position,"                                 \
    " SUM(COALESCE(octet_length(form_body), 0) + body_size) OVER w AS taken FROM (" CORVANE_WHOLE(                     \
        WHERE " ORDER BY p.seq " ORDER " LIMIT $2) page WINDOW w AS (ORDER BY seq " ORDER                              \
              " ROWS UNBOUNDED PRECEDING)) budgeted WHERE position = 1 OR taken <= $3 ORDER BY seq " ORDER)

// Listed payloads, newest first: the first $3 bytes of each raw body at most, read from the row or the
// first part, and the form fields only of a raw body that is not cut. $1 the account, $2 the limit.
#define CORVANE_LISTED(WHERE)                                                                                          \
    "SELECT " CORVANE_COLUMNS                                                                                          \
    " FROM (" CORVANE_PAYLOADS("CASE WHEN " CORVANE_BODY_SIZE " > $3 THEN NULL ELSE p.form_body END",                  \
        "CASE WHEN p.body_parts = 0 THEN substring(p.raw_body FROM 1 FOR $3::integer) ELSE"                            \
        " (SELECT substring(b.bytes FROM 1 FOR $3::integer) FROM body_parts b WHERE b.payload_id = p.id"               \
        " AND b.part = 0) END",                                                                                        \
        WHERE " ORDER BY p.seq DESC LIMIT $2") ") listed"

constexpr const char* selectPending
    = CORVANE_PAYLOAD_PAGE("p.account_id = $1 AND p.delivered_at IS NULL AND p.offered", "ASC");
constexpr const char* selectRecent = CORVANE_LISTED("p.account_id = $1");
constexpr const char* selectRecentOfListener = CORVANE_LISTED("p.listener_id = $4 AND l.account_id = $1");
constexpr const char* selectPayload
    = "SELECT " CORVANE_COLUMNS " FROM (" CORVANE_WHOLE("p.account_id = $1 AND p.id = $2") ") found";

#undef CORVANE_LISTED
#undef CORVANE_PAYLOAD_PAGE
#undef CORVANE_WHOLE
#undef CORVANE_COLUMNS
#undef CORVANE_PAYLOADS
#undef CORVANE_BODY_SIZE

PostgresParameters& addVerification(PostgresParameters& parameters, const StoreColumns::Verification& columns)
{
    // The secret, header and prefix are stored as bytes.
    return parameters.text(columns[0])
        .text(columns[1])
        .bytes(columns[2])
        .bytes(columns[3])
        .text(columns[4])
        .text(columns[5])
        .bytes(columns[6]);
}

// Identifiers and tokens are the relay's own, printable ASCII. One a client made up of other bytes
// names nothing, and a text parameter could not even carry it.
bool mayName(std::string_view identifier)
{
    return std::ranges::all_of(identifier, [](char character) { return character > ' ' && character < '\x7f'; });
}

// Inserts `rows` captures, 14 parameters each in the order of the columns. A capture whose listener
// this batch deleted after it was captured is left out, as the deletion would have removed it.
std::string insertCapturesSql(std::size_t rows)
{
    std::string sql = "INSERT INTO payloads (id, listener_id, account_id, method, headers, query, body_kind, form_body,"
                      " raw_body, received_at, offered, body_parts, verification_status, verification_reason)"
                      " SELECT * FROM (VALUES ";
    for (std::size_t row = 0; row < rows; ++row) {
        sql += row == 0 ? "(" : ", (";
        for (std::size_t column = 1; column <= 14; ++column) {
            sql += (column == 1 ? "$" : ", $") + std::to_string(row * 14 + column);
        }
        sql += ")";
    }
    sql += ") captured (id, listener_id) WHERE EXISTS (SELECT 1 FROM listeners l WHERE l.id = captured.listener_id)";
    return sql;
}

std::int64_t budget(std::size_t bodyBytes)
{
    return std::int64_t(std::min<std::size_t>(bodyBytes, std::numeric_limits<std::int64_t>::max()));
}

} // namespace

PostgresStore::PostgresStore(PostgresConnection connection) : m_connection(std::move(connection))
{
}

StoreResult<PostgresStore> PostgresStore::open(const std::string& database, std::chrono::milliseconds reconnectWait)
{
    auto connection = PostgresConnection::open(database, reconnectWait);
    if (!connection) {
        return std::unexpected(connection.error());
    }
    if (auto migrated = PostgresSchema::migrate(*connection); !migrated) {
        return std::unexpected(migrated.error());
    }
    // Parts no payload claimed within an hour were left by a relay that stopped while writing them;
    // younger ones may be another relay's body in progress.
    if (auto orphans = connection->execute("DELETE FROM body_parts b WHERE b.written_at"
                                           " < (extract(epoch FROM clock_timestamp()) * 1000)::bigint - 3600000"
                                           " AND NOT EXISTS (SELECT 1 FROM payloads p WHERE p.id = b.payload_id)");
        !orphans) {
        return std::unexpected(orphans.error());
    }
    return PostgresStore(*std::move(connection));
}

template <class Work> auto PostgresStore::guarded(Work&& work) -> decltype(work())
{
    if (!m_inBatch) {
        return work();
    }
    if (auto saved = m_connection.execute("SAVEPOINT work"); !saved) {
        return std::unexpected(saved.error());
    }
    auto result = work();
    auto ended = m_connection.execute(
        result ? "RELEASE SAVEPOINT work" : "ROLLBACK TO SAVEPOINT work; RELEASE SAVEPOINT work");
    if (result && !ended) {
        return std::unexpected(ended.error());
    }
    return result;
}

StoreResult<std::int64_t> PostgresStore::change(const char* sql, const PostgresParameters& parameters)
{
    auto result = m_connection.query(sql, parameters);
    return result ? StoreResult<std::int64_t>(result->changed()) : std::unexpected(result.error());
}

StoreResult<void> PostgresStore::beginBatch()
{
    m_receivedInBatch.clear();
    m_capturesInBatch.clear();
    // A query, not execute(): on a connection that broke while it rested, it is retried on a new one.
    if (auto begun = m_connection.query("BEGIN ISOLATION LEVEL READ COMMITTED"); !begun) {
        return std::unexpected(begun.error());
    }
    m_inBatch = true;
    return {};
}

StoreResult<void> PostgresStore::commitBatch()
{
    if (auto written = writeCaptures(); !written) {
        return std::unexpected(written.error());
    }
    for (const auto& [listenerId, count] : m_receivedInBatch) {
        auto counted = change("UPDATE listeners SET total_received = total_received + $2 WHERE id = $1",
            PostgresParameters().text(listenerId).integer(count));
        if (!counted) {
            return std::unexpected(counted.error());
        }
    }
    // COMMIT of a transaction that failed rolls it back and says so only in its command tag.
    if (m_connection.failedTransaction()) {
        return std::unexpected(StoreError{"the transaction failed"});
    }
    auto committed = m_connection.query("COMMIT");
    if (!committed) {
        return std::unexpected(committed.error());
    }
    if (committed->command() != "COMMIT") {
        return std::unexpected(StoreError{"the transaction was rolled back"});
    }
    m_inBatch = false;
    m_receivedInBatch.clear();
    return {};
}

void PostgresStore::rollbackBatch()
{
    m_inBatch = false;
    m_receivedInBatch.clear();
    m_capturesInBatch.clear();
    if (auto rolledBack = m_connection.execute("ROLLBACK"); !rolledBack) {
        // The next batch reports its own failure; this says why.
        std::fprintf(
            stderr, "corvane-relay: rolling back a failed batch failed: %s\n", rolledBack.error().message.c_str());
    }
}

StoreResult<AccountRecord> PostgresStore::ensureAccount(const AccountRecord& candidate, Milliseconds now)
{
    return guarded([&]() -> StoreResult<AccountRecord> {
        auto inserted = change("INSERT INTO accounts (id, email, tier, created_at) VALUES ($1, $2, $3, $4)"
                               " ON CONFLICT (email) DO NOTHING",
            PostgresParameters().text(candidate.id).bytes(candidate.email).text(candidate.tier).integer(now));
        if (!inserted) {
            return std::unexpected(inserted.error());
        }
        auto found = m_connection.query(
            "SELECT id, email, tier FROM accounts WHERE email = $1", PostgresParameters().bytes(candidate.email));
        if (!found || found->rows() == 0) {
            return std::unexpected(found ? StoreError{"account vanished"} : found.error());
        }
        return AccountRecord{found->text(0, 0), found->text(0, 1), found->text(0, 2)};
    });
}

StoreResult<std::optional<AccountRecord>> PostgresStore::accountForKey(const std::string& keyHash)
{
    auto found = m_connection.query("SELECT a.id, a.email, a.tier FROM api_keys k"
                                    " JOIN accounts a ON a.id = k.account_id WHERE k.key_hash = $1",
        PostgresParameters().text(keyHash));
    if (!found) {
        return std::unexpected(found.error());
    }
    if (found->rows() == 0) {
        return std::nullopt;
    }
    return AccountRecord{found->text(0, 0), found->text(0, 1), found->text(0, 2)};
}

StoreResult<void> PostgresStore::addApiKey(const std::string& keyHash, const std::string& accountId, Milliseconds now)
{
    return guarded([&]() -> StoreResult<void> {
        auto inserted = change("INSERT INTO api_keys (key_hash, account_id, created_at) VALUES ($1, $2, $3)",
            PostgresParameters().text(keyHash).text(accountId).integer(now));
        if (!inserted) {
            return std::unexpected(inserted.error());
        }
        return {};
    });
}

StoreResult<bool> PostgresStore::revokeApiKey(const std::string& keyHash)
{
    return guarded([&]() -> StoreResult<bool> {
        auto removed = change("DELETE FROM api_keys WHERE key_hash = $1", PostgresParameters().text(keyHash));
        return removed ? StoreResult<bool>(*removed > 0) : std::unexpected(removed.error());
    });
}

StoreResult<void> PostgresStore::createListener(const NewListener& listener)
{
    return guarded([&]() -> StoreResult<void> {
        const auto config = StoreColumns::configText(listener.notificationConfig);
        PostgresParameters parameters;
        parameters.text(listener.id)
            .text(listener.accountId)
            .text(listener.token)
            .bytes(listener.name)
            .bytes(listener.description)
            .boolean(listener.isEnabled)
            .text(config)
            .integer(listener.createdAt);
        const auto verification = StoreColumns::verification(listener.verification);
        auto inserted = change("INSERT INTO listeners (id, account_id, token, name, description, is_enabled,"
                               " notification_config, created_at, updated_at, verification_scheme, verification_mode,"
                               " verification_secret, verification_header, verification_algorithm,"
                               " verification_encoding, verification_prefix)"
                               " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $8, $9, $10, $11, $12, $13, $14, $15)",
            addVerification(parameters, verification));
        if (!inserted) {
            return std::unexpected(inserted.error());
        }
        return {};
    });
}

StoreResult<std::optional<std::string>> PostgresStore::storedSecret(
    const std::string& accountId, const std::string& id, VerificationScheme scheme)
{
    auto found
        = m_connection.query("SELECT verification_scheme IS NOT DISTINCT FROM $3, verification_secret FROM listeners"
                             " WHERE account_id = $1 AND id = $2",
            PostgresParameters().text(accountId).text(id).text(VerificationNames::of(scheme)));
    if (!found) {
        return std::unexpected(found.error());
    }
    if (found->rows() == 0) {
        return std::nullopt;
    }
    return found->integer(0, 0) != 0 ? found->optionalText(0, 1).value_or("") : std::string();
}

StoreResult<ListenerUpdate> PostgresStore::updateListener(
    const std::string& accountId, const std::string& id, const ListenerChanges& changes, Milliseconds now)
{
    if (!mayName(id)) {
        return ListenerUpdate::notFound;
    }
    const auto secret = [&](VerificationScheme scheme) { return storedSecret(accountId, id, scheme); };
    const auto write = [&](const StoreColumns::UpdatedColumns& columns) {
        const auto& [config, verification] = columns;
        const auto description = changes.description.value_or(std::nullopt);
        PostgresParameters parameters;
        parameters.text(accountId)
            .text(id)
            .integer(now)
            .boolean(changes.name.has_value())
            .bytes(changes.name)
            .boolean(changes.description.has_value())
            .bytes(description)
            .boolean(config.has_value())
            .text(config)
            .boolean(changes.isEnabled.has_value())
            .boolean(changes.isEnabled.value_or(false))
            .boolean(changes.verification.has_value());
        return change(R"sql(
UPDATE listeners SET
    updated_at = $3,
    name = CASE WHEN $4 THEN $5 ELSE name END,
    description = CASE WHEN $6 THEN $7 ELSE description END,
    notification_config = CASE WHEN $8 THEN $9 ELSE notification_config END,
    is_enabled = CASE WHEN $10 THEN $11 ELSE is_enabled END,
    verification_scheme = CASE WHEN $12 THEN $13 ELSE verification_scheme END,
    verification_mode = CASE WHEN $12 THEN $14 ELSE verification_mode END,
    verification_secret = CASE WHEN $12 THEN $15 ELSE verification_secret END,
    verification_header = CASE WHEN $12 THEN $16 ELSE verification_header END,
    verification_algorithm = CASE WHEN $12 THEN $17 ELSE verification_algorithm END,
    verification_encoding = CASE WHEN $12 THEN $18 ELSE verification_encoding END,
    verification_prefix = CASE WHEN $12 THEN $19 ELSE verification_prefix END
WHERE account_id = $1 AND id = $2)sql",
            addVerification(parameters, verification));
    };
    return guarded([&] { return StoreColumns::updateListener(changes, secret, write); });
}

StoreResult<bool> PostgresStore::deleteListener(const std::string& accountId, const std::string& id)
{
    if (!mayName(id)) {
        return false;
    }
    return guarded([&]() -> StoreResult<bool> {
        auto removed = change(
            "DELETE FROM listeners WHERE account_id = $1 AND id = $2", PostgresParameters().text(accountId).text(id));
        return removed ? StoreResult<bool>(*removed > 0) : std::unexpected(removed.error());
    });
}

StoreResult<std::optional<ListenerRecord>> PostgresStore::listener(const std::string& accountId, const std::string& id)
{
    if (!mayName(id)) {
        return std::nullopt;
    }
    auto found = m_connection.query(selectListener, PostgresParameters().text(accountId).text(id));
    if (!found) {
        return std::unexpected(found.error());
    }
    if (found->rows() == 0) {
        return std::nullopt;
    }
    auto record = StoreRows::listener(found->row(0));
    if (!record) {
        return std::unexpected(record.error());
    }
    return *std::move(record);
}

StoreResult<std::vector<ListenerRecord>> PostgresStore::listeners(const std::string& accountId)
{
    auto found = m_connection.query(selectListeners, PostgresParameters().text(accountId));
    if (!found) {
        return std::unexpected(found.error());
    }
    std::vector<ListenerRecord> records;
    for (int index = 0; index < found->rows(); ++index) {
        auto record = StoreRows::listener(found->row(index));
        if (!record) {
            return std::unexpected(record.error());
        }
        records.push_back(*std::move(record));
    }
    return records;
}

StoreResult<std::optional<HookTarget>> PostgresStore::hookTarget(const std::string& token)
{
    if (!mayName(token)) {
        return std::nullopt;
    }
    auto found = m_connection.query(
        "SELECT id, account_id, is_enabled, verification_scheme, verification_mode, verification_header,"
        " verification_algorithm, verification_encoding, verification_prefix, verification_secret"
        " FROM listeners WHERE token = $1",
        PostgresParameters().text(token));
    if (!found) {
        return std::unexpected(found.error());
    }
    if (found->rows() == 0) {
        return std::nullopt;
    }
    const auto row = found->row(0);
    HookTarget target{row.text(0), row.text(1), row.integer(2) != 0, StoreRows::verification(row, 3)};
    if (target.verification) {
        target.verification->secret = row.text(9);
    }
    return target;
}

StoreResult<void> PostgresStore::insertBodyPart(const std::string& payloadId, std::int64_t part, std::string_view bytes)
{
    return guarded([&]() -> StoreResult<void> {
        auto inserted = change("INSERT INTO body_parts (payload_id, part, bytes) VALUES ($1, $2, $3)",
            PostgresParameters().text(payloadId).integer(part).bytes(bytes));
        if (!inserted) {
            return std::unexpected(inserted.error());
        }
        return {};
    });
}

StoreResult<bool> PostgresStore::insertCapture(const Capture& capture)
{
    if (!m_receivedInBatch.contains(capture.listenerId)) {
        // Held until the batch ends: the listener cannot be deleted by another relay before its
        // payloads are written (as a payload's foreign key would hold it), and one that is gone
        // already fails this capture alone.
        auto held = m_connection.query(
            "SELECT 1 FROM listeners WHERE id = $1 FOR KEY SHARE", PostgresParameters().text(capture.listenerId));
        if (!held) {
            return std::unexpected(held.error());
        }
        if (held->rows() == 0) {
            return std::unexpected(StoreError{"the listener was deleted"});
        }
    }
    if (capture.webhookId) {
        auto noted = guarded([&]() -> StoreResult<bool> {
            // A webhook-id seen within the tolerance is a retry; one seen before that is taken as new.
            auto seen = change(R"sql(
INSERT INTO webhook_ids (listener_id, webhook_id, seen_at) VALUES ($1, $2, $3)
ON CONFLICT (listener_id, webhook_id) DO UPDATE SET seen_at = excluded.seen_at
WHERE webhook_ids.seen_at < excluded.seen_at - $4)sql",
                PostgresParameters()
                    .text(capture.listenerId)
                    .bytes(*capture.webhookId)
                    .integer(capture.receivedAt)
                    .integer(SignatureVerifier::toleranceSeconds * 1000));
            if (!seen || *seen > 0) {
                return seen ? StoreResult<bool>(true) : std::unexpected(seen.error());
            }
            auto parts = change("DELETE FROM body_parts WHERE payload_id = $1", PostgresParameters().text(capture.id));
            return parts ? StoreResult<bool>(false) : std::unexpected(parts.error());
        });
        if (!noted || !*noted) {
            return noted;
        }
    }
    m_capturesInBatch.push_back(capture);
    ++m_receivedInBatch[capture.listenerId];
    return true;
}

StoreResult<void> PostgresStore::writeCaptures()
{
    for (std::size_t first = 0; first < m_capturesInBatch.size(); first += capturesPerInsert) {
        const auto rows = std::min(capturesPerInsert, m_capturesInBatch.size() - first);
        if (m_insertCaptures.size() < rows) {
            m_insertCaptures.resize(rows);
        }
        auto& sql = m_insertCaptures[rows - 1];
        if (sql.empty()) {
            sql = insertCapturesSql(rows);
        }
        PostgresParameters parameters;
        // The parameters point into these, as into the captures.
        std::vector<StoreColumns::VerificationStatus> verifications;
        verifications.reserve(rows);
        for (const auto& capture : std::span(m_capturesInBatch).subspan(first, rows)) {
            const auto& verification
                = verifications.emplace_back(StoreColumns::verificationStatus(capture.verification));
            parameters.text(capture.id)
                .text(capture.listenerId)
                .text(capture.accountId)
                .text(capture.method)
                .text(capture.headers)
                .text(capture.query)
                .integer(std::int64_t(capture.bodyKind))
                .text(capture.formBody)
                .bytes(capture.rawBody)
                .integer(capture.receivedAt)
                .boolean(capture.offered)
                .integer(capture.bodyParts)
                .integer(verification.status)
                .text(verification.reason);
        }
        if (auto inserted = change(sql.c_str(), parameters); !inserted) {
            return std::unexpected(inserted.error());
        }
    }
    m_capturesInBatch.clear();
    return {};
}

StoreResult<bool> PostgresStore::retentionLock()
{
    auto locked
        = m_connection.query("SELECT pg_try_advisory_xact_lock($1)", PostgresParameters().integer(retentionLockKey));
    return locked ? StoreResult<bool>(locked->integer(0, 0) != 0) : std::unexpected(locked.error());
}

StoreResult<std::int64_t> PostgresStore::removeBeyondNewest(std::int64_t keep)
{
    return guarded([&]() -> StoreResult<std::int64_t> {
        auto locked = retentionLock();
        if (!locked || !*locked) {
            return locked ? StoreResult<std::int64_t>(0) : std::unexpected(locked.error());
        }
        // Every listener's newest payload beyond the ones kept, found at its end of payloads_by_listener.
        return change(R"sql(
DELETE FROM payloads p USING (
    SELECT l.id, (SELECT q.seq FROM payloads q WHERE q.listener_id = l.id ORDER BY q.seq DESC OFFSET $1 LIMIT 1) AS edge
    FROM listeners l
) beyond WHERE p.listener_id = beyond.id AND p.seq <= beyond.edge)sql",
            PostgresParameters().integer(keep));
    });
}

StoreResult<std::int64_t> PostgresStore::removeReceivedBefore(Milliseconds cutoff)
{
    return guarded([&]() -> StoreResult<std::int64_t> {
        auto locked = retentionLock();
        if (!locked || !*locked) {
            return locked ? StoreResult<std::int64_t>(0) : std::unexpected(locked.error());
        }
        return change("DELETE FROM payloads WHERE received_at < $1", PostgresParameters().integer(cutoff));
    });
}

StoreResult<void> PostgresStore::removeWebhookIdsBefore(Milliseconds cutoff)
{
    return guarded([&]() -> StoreResult<void> {
        auto locked = retentionLock();
        if (!locked || !*locked) {
            return locked ? StoreResult<void>() : std::unexpected(locked.error());
        }
        auto removed = change("DELETE FROM webhook_ids WHERE seen_at < $1", PostgresParameters().integer(cutoff));
        if (!removed) {
            return std::unexpected(removed.error());
        }
        return {};
    });
}

StoreResult<std::vector<StoredPayload>> PostgresStore::payloads(
    const char* sql, const PostgresParameters& parameters, std::size_t cutBytes)
{
    auto found = m_connection.query(sql, parameters);
    if (!found) {
        return std::unexpected(found.error());
    }
    std::vector<StoredPayload> result;
    for (int index = 0; index < found->rows(); ++index) {
        const auto row = found->row(index);
        result.push_back(StoreRows::payload(row, cutBytes));
        if (!StoreRows::hasBodyParts(row, result.back())) {
            continue;
        }
        auto parts = m_connection.query("SELECT bytes FROM body_parts WHERE payload_id = $1 ORDER BY part",
            PostgresParameters().text(result.back().id));
        if (!parts) {
            return std::unexpected(parts.error());
        }
        result.back().rawBody.clear();
        for (int part = 0; part < parts->rows(); ++part) {
            result.back().rawBody += parts->text(part, 0);
        }
    }
    return result;
}

StoreResult<PendingPage> PostgresStore::pending(const std::string& accountId, std::int64_t limit, std::size_t bodyBytes)
{
    auto counted
        = m_connection.query("SELECT COUNT(*) FROM payloads WHERE account_id = $1 AND delivered_at IS NULL AND offered",
            PostgresParameters().text(accountId));
    if (!counted) {
        return std::unexpected(counted.error());
    }
    auto found
        = payloads(selectPending, PostgresParameters().text(accountId).integer(limit).integer(budget(bodyBytes)));
    if (!found) {
        return std::unexpected(found.error());
    }
    return PendingPage{*std::move(found), counted->integer(0, 0)};
}

StoreResult<std::vector<StoredPayload>> PostgresStore::recent(const std::string& accountId,
    const std::optional<std::string>& listenerId, std::int64_t limit, std::size_t bodyBytes)
{
    if (listenerId && !mayName(*listenerId)) {
        return std::vector<StoredPayload>();
    }
    // substring() takes an integer length.
    const auto cut = std::min<std::size_t>(bodyBytes, std::numeric_limits<std::int32_t>::max());
    PostgresParameters parameters;
    parameters.text(accountId).integer(limit).integer(std::int64_t(cut));
    if (listenerId) {
        parameters.text(*listenerId);
    }
    return payloads(listenerId ? selectRecentOfListener : selectRecent, parameters, cut);
}

StoreResult<std::optional<StoredPayload>> PostgresStore::payload(
    const std::string& accountId, const std::string& payloadId)
{
    if (!mayName(payloadId)) {
        return std::nullopt;
    }
    auto found = payloads(selectPayload, PostgresParameters().text(accountId).text(payloadId));
    if (!found) {
        return std::unexpected(found.error());
    }
    if (found->empty()) {
        return std::nullopt;
    }
    return std::move(found->front());
}

StoreResult<bool> PostgresStore::markDelivered(
    const std::string& accountId, const std::string& payloadId, Milliseconds now)
{
    if (!mayName(payloadId)) {
        return false;
    }
    return guarded([&]() -> StoreResult<bool> {
        // The first delivery's time stays; the payload's existence is the answer either way.
        auto found = m_connection.query(R"sql(
WITH delivered AS (
    UPDATE payloads SET delivered_at = $3 WHERE account_id = $1 AND id = $2 AND delivered_at IS NULL RETURNING 1
)
SELECT EXISTS (SELECT 1 FROM payloads WHERE account_id = $1 AND id = $2))sql",
            PostgresParameters().text(accountId).text(payloadId).integer(now));
        return found ? StoreResult<bool>(found->integer(0, 0) != 0) : std::unexpected(found.error());
    });
}

StoreResult<std::int64_t> PostgresStore::payloadCount()
{
    auto counted = m_connection.query("SELECT COUNT(*) FROM payloads");
    return counted ? StoreResult<std::int64_t>(counted->integer(0, 0)) : std::unexpected(counted.error());
}

StoreResult<void> PostgresStore::recordHealthCheck(Milliseconds now)
{
    return guarded([&]() -> StoreResult<void> {
        auto written = change("INSERT INTO health (id, checked_at) VALUES (1, $1)"
                              " ON CONFLICT (id) DO UPDATE SET checked_at = excluded.checked_at",
            PostgresParameters().integer(now));
        if (!written) {
            return std::unexpected(written.error());
        }
        return {};
    });
}

} // namespace corvane::relay
