#include "api/HookTargets.h"

namespace corvane::relay {

HookTargets::HookTargets(Store& reader, std::size_t capacity) : m_reader(reader), m_capacity(capacity)
{
}

StoreResult<const HookTarget*> HookTargets::find(const std::string& token)
{
    if (const auto known = m_targets.find(token); known != m_targets.end()) {
        return &known->second;
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
    return &m_targets.emplace(token, *std::move(target)).first->second;
}

void HookTargets::forgetAll()
{
    m_targets.clear();
}

} // namespace corvane::relay
