#include "api/HookTargets.h"

namespace corvane::relay {

HookTargets::HookTargets(Store& reader, std::size_t capacity) : m_reader(reader), m_capacity(capacity)
{
}

StoreResult<std::optional<HookTarget>> HookTargets::find(const std::string& token)
{
    if (const auto known = m_targets.find(token); known != m_targets.end()) {
        return known->second;
    }
    auto target = m_reader.hookTarget(token);
    if (target && *target) {
        if (m_targets.size() >= m_capacity) {
            m_targets.clear();
        }
        m_targets.emplace(token, **target);
    }
    return target;
}

void HookTargets::forgetAll()
{
    m_targets.clear();
}

} // namespace corvane::relay
