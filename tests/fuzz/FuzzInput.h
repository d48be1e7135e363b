#pragma once

#include "model/JsonText.h"

#include <cstdint>
#include <string_view>

// Splits a fuzz input at its first NUL byte: the text before it (a template or a filter) and a JSON
// context after it. A context that does not parse becomes an object with the remaining bytes as body.
struct FuzzInput {
    std::string_view text;
    nlohmann::json context;

    FuzzInput(const std::uint8_t* data, std::size_t size)
    {
        const std::string_view all(reinterpret_cast<const char*>(data), size);
        const auto split = all.find('\0');
        text = all.substr(0, split);
        const auto rest = split == std::string_view::npos ? std::string_view() : all.substr(split + 1);
        auto parsed = corvane::parseJson(rest);
        context = parsed ? *std::move(parsed) : nlohmann::json{{"body", std::string(rest)}, {"raw_body", ""}};
    }
};
