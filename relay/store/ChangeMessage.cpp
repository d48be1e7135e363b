#include "store/ChangeMessage.h"

#include <algorithm>
#include <charconv>

namespace corvane::relay {
namespace {

void append(std::vector<std::string>& messages, const std::string& item)
{
    if (messages.empty() || messages.back().size() + 1 + item.size() > ChangeMessage::maxBytes) {
        messages.push_back(item);
        return;
    }
    messages.back() += '\n';
    messages.back() += item;
}

std::optional<std::uint64_t> versionOf(std::string_view text)
{
    std::uint64_t version = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), version);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return version;
}

bool isAccountId(std::string_view text)
{
    return !text.empty() && text.size() <= ChangeMessage::maxAccountIdBytes && std::ranges::all_of(text, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

} // namespace

std::vector<std::string> ChangeMessage::encode(const ChangeBatch& batch)
{
    std::vector<std::string> messages;
    if (batch.listeners) {
        append(messages, "l");
    }
    if (batch.everyAccount) {
        append(messages, "* " + std::to_string(*batch.everyAccount));
    }
    for (const auto& [accountId, version] : batch.accounts) {
        append(messages, "a " + std::to_string(version) + ' ' + accountId);
    }
    return messages;
}

std::expected<ChangeBatch, std::string> ChangeMessage::decode(std::string_view text)
{
    ChangeBatch batch;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        const auto line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (line == "l") {
            batch.listeners = true;
        } else if (line.starts_with("* ")) {
            const auto version = versionOf(line.substr(2));
            if (!version) {
                return std::unexpected("not a version: every account");
            }
            batch.everyAccount = std::max(batch.everyAccount.value_or(0), *version);
        } else if (line.starts_with("a ")) {
            const auto rest = line.substr(2);
            const auto space = rest.find(' ');
            const auto version = versionOf(rest.substr(0, space));
            const auto accountId = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
            if (!version || !isAccountId(accountId)) {
                return std::unexpected("not an account and its version");
            }
            auto& known = batch.accounts[std::string(accountId)];
            known = std::max(known, *version);
        } else {
            return std::unexpected("unknown item");
        }
    }
    return batch;
}

} // namespace corvane::relay
