#pragma once

#include "model/NotificationConfig.h"
#include "model/Payload.h"

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace corvane::relay {

// Why the database could not do what was asked.
struct StoreError {
    std::string message;
};

template <class T> using StoreResult = std::expected<T, StoreError>;

// Times are milliseconds since the Unix epoch, UTC.
using Milliseconds = std::int64_t;

struct AccountRecord {
    std::string id;
    std::string email;
    std::string tier;
};

// What a hook request needs to know about the listener its token names.
struct HookTarget {
    std::string listenerId;
    std::string accountId;
    bool isEnabled = false;
};

struct NewListener {
    std::string id;
    std::string accountId;
    std::string token;
    std::string name;
    std::optional<std::string> description;
    bool isEnabled = true;
    NotificationConfig notificationConfig;
    Milliseconds createdAt = 0;
};

// A member left empty is not changed; `description` holding an empty optional clears it.
struct ListenerChanges {
    std::optional<std::string> name;
    std::optional<std::optional<std::string>> description;
    std::optional<NotificationConfig> notificationConfig;
    std::optional<bool> isEnabled;
};

enum class BodyKind { none = 0, json = 1, form = 2 };

// One captured request, ready to be stored.
struct Capture {
    std::string id;
    std::string listenerId;
    std::string accountId;
    std::string method;
    // JSON object text: lower-case names to values.
    std::string headers;
    // JSON object text, or nothing when the request had no query.
    std::optional<std::string> query;
    BodyKind bodyKind = BodyKind::none;
    // JSON object text of the fields, for a form body.
    std::optional<std::string> formBody;
    // The body bytes exactly as received.
    std::string rawBody;
    Milliseconds receivedAt = 0;
    // False when the listener was disabled: such a payload is never offered by polling.
    bool offered = true;
};

struct PendingPage {
    std::vector<Payload> payloads;
    std::int64_t count = 0;
};

} // namespace corvane::relay
