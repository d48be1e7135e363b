#include "RelaySettings.h"

#include <boost/url/parse.hpp>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string_view>

namespace corvane::relay {
namespace {

using Apply = std::function<std::expected<void, std::string>(RelaySettings&, std::string_view)>;

struct Option {
    std::string_view flag;
    std::string_view variable;
    std::string_view argument;
    std::string_view help;
    Apply apply;
};

template <class Number> std::expected<Number, std::string> number(std::string_view text, Number minimum, Number maximum)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum || value > maximum) {
        return std::unexpected("expected a number from " + std::to_string(minimum) + " to " + std::to_string(maximum)
            + ", got \"" + std::string(text) + "\"");
    }
    return value;
}

template <class Number, class Target> Apply numeric(Target RelaySettings::* member, Number minimum, Number maximum)
{
    return [=](RelaySettings& settings, std::string_view text) -> std::expected<void, std::string> {
        auto value = number<Number>(text, minimum, maximum);
        if (!value) {
            return std::unexpected(value.error());
        }
        settings.*member = Target(*value);
        return {};
    };
}

std::expected<void, std::string> applyListen(RelaySettings& settings, std::string_view text)
{
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::unexpected("expected host:port, got \"" + std::string(text) + "\"");
    }
    auto host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    auto port = number<std::uint16_t>(text.substr(colon + 1), 0, 65535);
    if (!port) {
        return std::unexpected("port: " + port.error());
    }
    settings.listenHost = std::string(host);
    settings.listenPort = *port;
    return {};
}

// A static token anyone may guess at (over sign-in or as a key) must be long enough to survive it.
std::expected<void, std::string> applyToken(RelaySettings& settings, std::string_view token)
{
    constexpr std::size_t shortestToken = 16;
    const auto characters = std::ranges::count_if(
        token, [](char character) { return (static_cast<unsigned char>(character) & 0xc0) != 0x80; });
    if (std::size_t(characters) < shortestToken) {
        return std::unexpected("the token has " + std::to_string(characters) + " characters; at least "
            + std::to_string(shortestToken) + " are needed, such as openssl rand -base64 24 makes");
    }
    settings.apiToken = std::string(token);
    return {};
}

// A secret kept in a file, without the line break and blanks that end it.
std::expected<std::string, std::string> secretFile(std::string_view path)
{
    std::ifstream file{std::string(path)};
    if (!file) {
        return std::unexpected("cannot read " + std::string(path));
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    std::string secret = contents.str();
    while (!secret.empty() && (secret.back() == '\n' || secret.back() == '\r' || secret.back() == ' ')) {
        secret.pop_back();
    }
    if (secret.empty()) {
        return std::unexpected(std::string(path) + " holds no token");
    }
    return secret;
}

std::expected<void, std::string> applyTokenFile(RelaySettings& settings, std::string_view path)
{
    const auto token = secretFile(path);
    if (!token) {
        return std::unexpected(token.error());
    }
    return applyToken(settings, *token);
}

std::expected<void, std::string> applySuggestKeyFile(RelaySettings& settings, std::string_view path)
{
    auto key = secretFile(path);
    if (!key) {
        return std::unexpected(key.error());
    }
    settings.suggestApiKey = *std::move(key);
    return {};
}

std::expected<void, std::string> applySuggestUrl(RelaySettings& settings, std::string_view text)
{
    const auto url = boost::urls::parse_uri(text);
    if (!url || (url->scheme_id() != boost::urls::scheme::http && url->scheme_id() != boost::urls::scheme::https)
        || url->host_address().empty()) {
        return std::unexpected("expected an http:// or https:// URL, got \"" + std::string(text) + "\"");
    }
    settings.suggestUrl = std::string(text);
    return {};
}

// A setting that takes any text as it is.
Apply verbatim(std::string RelaySettings::* member)
{
    return [=](RelaySettings& settings, std::string_view text) -> std::expected<void, std::string> {
        settings.*member = std::string(text);
        return {};
    };
}

std::expected<void, std::string> applyRedirectUris(RelaySettings& settings, std::string_view text)
{
    settings.redirectUris.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find(',', start), text.size());
        if (end > start) {
            settings.redirectUris.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    if (settings.redirectUris.empty()) {
        return std::unexpected("at least one redirect URI is needed");
    }
    return {};
}

const std::vector<Option>& options()
{
    using Settings = RelaySettings;
    static const std::vector<Option> table{
        {"--listen", "CORVANE_RELAY_LISTEN", "HOST:PORT",
            "address to listen on (default 127.0.0.1:3100; port 0 picks one)", applyListen},
        {"--database", "CORVANE_RELAY_DATABASE", "PATH|URI",
            "SQLite database file (default $XDG_DATA_HOME/corvane-relay/relay.sqlite3), or a PostgreSQL database"
            " as a postgresql:// URI; its password may also come from PGPASSWORD or ~/.pgpass",
            verbatim(&Settings::database)},
        {"", "API_TOKEN", "TOKEN",
            "static API token of the owner account, 16 characters or more; no flag: command lines are visible to all",
            applyToken},
        {"--api-token-file", "API_TOKEN_FILE", "PATH", "read the owner's static API token from this file",
            applyTokenFile},
        {"--owner-email", "CORVANE_RELAY_OWNER_EMAIL", "EMAIL",
            "e-mail address of the owner account (default owner@localhost)",
            [](Settings& settings, std::string_view text) -> std::expected<void, std::string> {
                if (text.empty()) {
                    return std::unexpected("must not be empty");
                }
                settings.ownerEmail = std::string(text);
                return {};
            }},
        {"--redirect-uris", "CORVANE_RELAY_REDIRECT_URIS", "URI,...",
            "redirect URIs sign-in may return to (default corvane://auth/callback)", applyRedirectUris},
        {"--code-lifetime", "CORVANE_RELAY_CODE_LIFETIME", "SECONDS", "lifetime of a sign-in code (default 600)",
            numeric<std::int64_t>(&Settings::codeLifetime, 0, 3600)},
        {"--max-body-bytes", "CORVANE_RELAY_MAX_BODY_BYTES", "BYTES", "largest request body (default 10485760)",
            numeric<std::uint64_t>(&Settings::maxBodyBytes, 0, std::uint64_t{1} << 32)},
        {"--max-header-bytes", "CORVANE_RELAY_MAX_HEADER_BYTES", "BYTES",
            "largest request line and headers together, chunk-size line, chunk extensions of a body together, or "
            "trailer section (default 16384)",
            numeric<std::uint32_t>(&Settings::maxHeaderBytes, 256, 1024 * 1024)},
        {"--max-headers", "CORVANE_RELAY_MAX_HEADERS", "COUNT",
            "most header fields, or trailer fields, in one request (default 100)",
            numeric<std::uint32_t>(&Settings::maxHeaderCount, 1, 10000)},
        {"--max-json-depth", "CORVANE_RELAY_MAX_JSON_DEPTH", "LEVELS", "deepest JSON nesting accepted (default 64)",
            numeric<int>(&Settings::maxJsonDepth, 1, 512)},
        {"--max-form-fields", "CORVANE_RELAY_MAX_FORM_FIELDS", "COUNT",
            "most fields of a form body read as fields; larger ones are kept raw (default 1000)",
            numeric<std::uint32_t>(&Settings::maxFormFields, 0, 1000000)},
        {"--header-timeout", "CORVANE_RELAY_HEADER_TIMEOUT", "SECONDS", "time to send the headers (default 10)",
            numeric<std::int64_t>(&Settings::headerTimeout, 1, 3600)},
        {"--body-timeout", "CORVANE_RELAY_BODY_TIMEOUT", "SECONDS", "time to send the body (default 60)",
            numeric<std::int64_t>(&Settings::bodyTimeout, 1, 3600)},
        {"--idle-timeout", "CORVANE_RELAY_IDLE_TIMEOUT", "SECONDS",
            "idle keep-alive connections close after (default 30)",
            numeric<std::int64_t>(&Settings::idleTimeout, 1, 3600)},
        {"--max-connections", "CORVANE_RELAY_MAX_CONNECTIONS", "COUNT",
            "client connections served at once; more are answered 503 and closed (default 1000)",
            numeric<std::uint32_t>(&Settings::maxConnections, 1, 1000000)},
        {"--max-connections-per-client", "CORVANE_RELAY_MAX_CONNECTIONS_PER_CLIENT", "COUNT",
            "connections served at once from one client address, 0 for no cap (default 64)",
            numeric<std::uint32_t>(&Settings::maxConnectionsPerClient, 0, 1000000)},
        {"--max-change-waiters", "CORVANE_RELAY_MAX_CHANGE_WAITERS", "COUNT",
            "requests waiting for changes at once; more are answered 503 (default 10000)",
            numeric<std::uint32_t>(&Settings::maxChangeWaiters, 0, 1000000)},
        {"--max-buffered-bytes", "CORVANE_RELAY_MAX_BUFFERED_BYTES", "BYTES",
            "request body bytes all connections may hold at once; more get 503 (default 268435456)",
            numeric<std::uint64_t>(&Settings::maxBufferedBytes, 0, std::uint64_t{1} << 40)},
        {"--rate-limit", "CORVANE_RELAY_RATE_LIMIT", "PER_SECOND",
            "hook requests per second per listener, 0 for no limit (default 20)",
            numeric<double>(&Settings::rateLimit, 0, 1e9)},
        {"--rate-burst", "CORVANE_RELAY_RATE_BURST", "REQUESTS", "hook requests a listener may burst (default 100)",
            numeric<double>(&Settings::rateBurst, 1, 1e9)},
        {"--retention-count", "CORVANE_RELAY_RETENTION_COUNT", "PAYLOADS",
            "newest payloads kept per listener (default 10000)",
            numeric<std::int64_t>(&Settings::retentionCount, 1, std::int64_t{1} << 40)},
        {"--retention-days", "CORVANE_RELAY_RETENTION_DAYS", "DAYS",
            "payloads older than this are removed (default 30)",
            [](Settings& settings, std::string_view text) -> std::expected<void, std::string> {
                auto days = number<std::int64_t>(text, 1, 36500);
                if (!days) {
                    return std::unexpected(days.error());
                }
                settings.retentionAge = std::chrono::hours(*days * 24);
                return {};
            }},
        {"--prune-interval", "CORVANE_RELAY_PRUNE_INTERVAL", "SECONDS", "how often retention is applied (default 60)",
            numeric<std::int64_t>(&Settings::pruneInterval, 1, 86400)},
        {"--suggest-senders", "CORVANE_RELAY_SUGGEST_SENDERS", "PATH",
            "a sender table for template suggestions whose events come before the shipped ones",
            verbatim(&Settings::suggestSenders)},
        {"--suggest-url", "CORVANE_RELAY_SUGGEST_URL", "URL",
            "OpenAI-compatible chat completions endpoint that suggests templates (default none: rules only)",
            applySuggestUrl},
        {"--suggest-model", "CORVANE_RELAY_SUGGEST_MODEL", "NAME", "the model to ask at --suggest-url",
            verbatim(&Settings::suggestModel)},
        {"", "CORVANE_RELAY_SUGGEST_API_KEY", "KEY",
            "API key sent as a bearer token to --suggest-url; no flag: command lines are visible to all",
            verbatim(&Settings::suggestApiKey)},
        {"--suggest-api-key-file", "CORVANE_RELAY_SUGGEST_API_KEY_FILE", "PATH",
            "read the API key for --suggest-url from this file", applySuggestKeyFile},
        {"--suggest-timeout-ms", "CORVANE_RELAY_SUGGEST_TIMEOUT_MS", "MILLISECONDS",
            "how long a suggestion waits for the model before it falls back to the rules (default 5000)",
            numeric<std::int64_t>(&Settings::suggestTimeout, 1, 60000)},
        {"--discard", "CORVANE_RELAY_DISCARD", "", "answer hook requests without storing them (benchmark baseline)",
            [](Settings& settings, std::string_view text) -> std::expected<void, std::string> {
                if (text != "1" && text != "0") {
                    return std::unexpected("expected 1 or 0");
                }
                settings.discard = text == "1";
                return {};
            }},
    };
    return table;
}

std::string defaultDatabasePath()
{
    std::string base;
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome && *dataHome) {
        base = dataHome;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.local/share";
    } else {
        base = ".";
    }
    return base + "/corvane-relay/relay.sqlite3";
}

std::string described(const Option& option, std::string_view source, const std::string& message)
{
    return std::string(source) + ": " + message + " (" + std::string(option.help) + ")";
}

} // namespace

std::expected<RelaySettings::Parsed, std::string> RelaySettings::fromEnvironmentAndArguments(int argc, char** argv)
{
    Parsed parsed;
    // The flags are read first, so that --help and --version answer whatever the environment holds;
    // they are applied after it, as they win over their variables.
    struct Flag {
        const Option* option;
        std::string_view name;
        std::string_view value;
    };
    std::vector<Flag> flags;
    for (int index = 1; index < argc; ++index) {
        std::string_view argument = argv[index];
        if (argument == "--help" || argument == "-h") {
            parsed.outcome = Outcome::help;
            return parsed;
        }
        if (argument == "--version") {
            parsed.outcome = Outcome::version;
            return parsed;
        }
        std::string_view value;
        if (const auto equals = argument.find('='); equals != std::string_view::npos) {
            value = argument.substr(equals + 1);
            argument = argument.substr(0, equals);
        }
        const Option* match = nullptr;
        for (const auto& option : options()) {
            if (!option.flag.empty() && option.flag == argument) {
                match = &option;
            }
        }
        if (!match) {
            return std::unexpected("unknown option " + std::string(argument) + " (see --help)");
        }
        if (match->argument.empty()) {
            value = value.empty() ? "1" : value;
        } else if (value.empty()) {
            if (index + 1 >= argc) {
                return std::unexpected(std::string(argument) + " needs a value");
            }
            value = argv[++index];
        }
        flags.push_back({match, argument, value});
    }
    parsed.settings.database = defaultDatabasePath();
    for (const auto& option : options()) {
        if (const char* value = std::getenv(std::string(option.variable).c_str()); value && *value) {
            if (auto applied = option.apply(parsed.settings, value); !applied) {
                return std::unexpected(described(option, option.variable, applied.error()));
            }
        }
    }
    for (const auto& flag : flags) {
        if (auto applied = flag.option->apply(parsed.settings, flag.value); !applied) {
            return std::unexpected(described(*flag.option, flag.name, applied.error()));
        }
    }
    return parsed;
}

std::string RelaySettings::helpText()
{
    std::string text = "Usage: corvane-relay [options]\n"
                       "       corvane-relay --help | --version\n\n"
                       "Captures webhooks at public hook URLs and serves the Corvane app's API.\n"
                       "Every option can also be set by the environment variable shown beside it.\n\n";
    for (const auto& option : options()) {
        std::string left = option.flag.empty() ? std::string("(environment only)") : std::string(option.flag);
        if (!option.argument.empty() && !option.flag.empty()) {
            left += " " + std::string(option.argument);
        }
        text += "  " + left + "\n      " + std::string(option.variable) + "\n      " + std::string(option.help) + "\n";
    }
    return text;
}

} // namespace corvane::relay
