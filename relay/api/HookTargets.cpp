#include "api/HookTargets.h"

namespace corvane::relay {

HookTargets::HookTargets(Store& reader, std::size_t capacity, ChangeBroadcast* broadcast,
    std::optional<std::chrono::steady_clock::duration> maxAge)
    : m_reader(reader), m_capacity(capacity), m_broadcast(broadcast), m_maxAge(maxAge)
{
}

StoreResult<const HookTarget*> HookTargets::find(const std::string& token)
{
    const auto now = std::chrono::steady_clock::now();
    if (const auto known = m_targets.find(token); known != m_targets.end()) {
        if (!m_maxAge || now - known->second.read < *m_maxAge) {
            return &known->second.target;
        }
        m_targets.erase(known);
    }
    auto read = m_reader.hookTarget(token);
    if (!read) {
        return std::unexpected(read.error());
    }
    auto& target = *read;
    if (!target) {
        return nullptr;
    }
    if (m_targets.size() >= m_capacity) {
        m_targets.clear();
    }
    return &m_targets.emplace(token, Entry{*std::move(target), now}).first->second.target;
}

void HookTargets::listenersChanged()
{
    forgetAll();
    if (m_broadcast != nullptr) {
        m_broadcast->listenersChanged();
    }
}

void HookTargets::forgetAll()
{
    m_targets.clear();
}

} // namespace corvane::relay
