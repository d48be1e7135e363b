#pragma once

#include <chrono>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace corvane::relay {

// Everything the relay can be told, from the environment and the command line (a flag wins over its
// variable). Defaults are what a single user on one machine needs.
struct RelaySettings {
    std::string listenHost = "127.0.0.1";
    std::uint16_t listenPort = 3100;
    // A SQLite file, or a postgresql:// (postgres://) URI naming a PostgreSQL database.
    std::string database;
    // The owner account's static API token; empty when none is configured.
    std::string apiToken;
    std::string ownerEmail = "owner@localhost";
    std::vector<std::string> redirectUris{"corvane://auth/callback"};
    std::chrono::seconds codeLifetime{600};

    std::uint64_t maxBodyBytes = std::uint64_t{10} * 1024 * 1024;
    std::uint32_t maxHeaderBytes = 16 * 1024;
    std::uint32_t maxHeaderCount = 100;
    int maxJsonDepth = 64;
    // Form bodies with more fields are kept as raw bytes only.
    std::uint32_t maxFormFields = 1000;
    std::chrono::seconds headerTimeout{10};
    std::chrono::seconds bodyTimeout{60};
    std::chrono::seconds idleTimeout{30};
    // Client connections served at once; more are answered 503 and closed. Fewer when the open-file
    // limit does not allow this many.
    std::uint32_t maxConnections = 1000;
    // Client connections served at once from one address (IPv6: one /64 prefix); 0 for no cap.
    std::uint32_t maxConnectionsPerClient = 64;
    // Requests GET /changes holds at once, counted apart from the connections; more get 503.
    std::uint32_t maxChangeWaiters = 10000;
    // Request body bytes held in memory by all connections together; bodies beyond get 503.
    std::uint64_t maxBufferedBytes = std::uint64_t{256} * 1024 * 1024;

    // Hook requests per second and burst allowed per listener; a rate of 0 turns the limit off.
    double rateLimit = 20;
    double rateBurst = 100;

    std::int64_t retentionCount = 10000;
    std::chrono::hours retentionAge{24 * 30};
    std::chrono::seconds pruneInterval{60};

    // An operator's sender table for template suggestions, read before the shipped one; empty for none.
    std::string suggestSenders;
    // An OpenAI-compatible chat completions endpoint that suggests templates; empty for none. The model
    // to ask there, the key it takes and how long a suggestion may wait for it.
    std::string suggestUrl;
    std::string suggestModel;
    std::string suggestApiKey;
    std::chrono::milliseconds suggestTimeout{5000};

    // Answer every request without storing or looking anything up (benchmark baseline only).
    bool discard = false;

    // What the command line asks for: run the relay, or print the help text or the version and exit.
    enum class Outcome { run, help, version };
    struct Parsed;

    // Reads the environment, then the flags. Fails with a message naming the bad setting.
    static std::expected<Parsed, std::string> fromEnvironmentAndArguments(int argc, char** argv);
    static std::string helpText();
};

struct RelaySettings::Parsed {
    Outcome outcome = Outcome::run;
    RelaySettings settings;
};

} // namespace corvane::relay
