#pragma once

#include "suggest/TemplateSuggester.h"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>
#include <boost/asio/ssl/context.hpp>

#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>

namespace corvane::relay {

struct ModelSettings {
    // An OpenAI-compatible chat completions endpoint, http or https.
    std::string url;
    std::string model;
    std::string apiKey;
    std::chrono::milliseconds timeout{5000};
};

// Asks a language model behind an OpenAI-compatible chat completions endpoint for templates that fit
// a sample. The sample goes out without its credentials and signatures and cut to a bounded size; the
// answer is used only when its title and body render over the sample (a filter that reaches nothing
// and a link that is no web address are left out). Runs on the caller's executor without blocking it,
// at most a few calls at once, each within the timeout.
class ModelSuggester {
public:
    explicit ModelSuggester(ModelSettings settings);

    // The model's checked suggestion; none when the model did not answer in time, answered something
    // unusable, or too many calls are running.
    boost::asio::awaitable<std::optional<TemplateSuggestion>> suggest(const nlohmann::json& sample);

    // The sample as the model gets it: without credentials and signatures, at most `limit` bytes as
    // JSON text; none when it cannot be cut that small.
    static std::optional<nlohmann::json> shareable(const nlohmann::json& sample, std::size_t limit);
    // The suggestion in a model's reply (a chat completion), checked over `sample`.
    static std::optional<TemplateSuggestion> fromReply(const std::string& reply, const nlohmann::json& sample);

private:
    boost::asio::awaitable<std::optional<std::string>> post(std::string body);

    ModelSettings m_settings;
    boost::asio::ssl::context m_tls;
    int m_calls = 0;
};

} // namespace corvane::relay
