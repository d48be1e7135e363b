#pragma once

#include "model/NotificationConfig.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// What a listener's notification says about one payload context: its title, body and link rendered
// from the listener's templates. The filter is not consulted; whether to fire is the caller's call.
struct NotificationContent {
    // How a template that is not set renders.
    enum class Unset {
        // As defaultTitle and defaultBody; no link.
        defaults,
        // As empty text, as a test notification shows exactly what was typed.
        empty,
    };

    // What an unset title and body render, under Unset::defaults.
    static constexpr std::string_view defaultTitle = "{{listener_name}}";
    static constexpr std::string_view defaultBody = "{{raw_body}}";

    std::string title;
    std::string body;
    // The rendered link when it is an http or https URL; anything else is no link.
    std::optional<std::string> link;

    static NotificationContent render(const NotificationConfig& config, const nlohmann::json& context, Unset unset);

    // Whether `text` is an absolute http or https URL with a host and nothing a browser would read
    // another way: no blank or control character anywhere.
    static bool isWebLink(std::string_view text);
};

} // namespace corvane
