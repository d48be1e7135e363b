#include "api/ReceivedChanges.h"

#include <cstdio>

namespace corvane::relay {

ReceivedChanges::ReceivedChanges(ChangeVersions& versions, HookTargets& targets)
    : m_versions(versions), m_targets(targets)
{
}

void ReceivedChanges::received(const ChangeBatch& batch)
{
    if (batch.listeners) {
        m_targets.forgetAll();
    }
    bool plausible = !batch.everyAccount || m_versions.heardForEveryAccount(*batch.everyAccount);
    for (const auto& [accountId, version] : batch.accounts) {
        plausible = m_versions.heard(accountId, version) && plausible;
    }
    if (!plausible) {
        std::fputs(
            "changes: ignored versions too far ahead of this clock (are the instances' clocks in step?)\n", stderr);
    }
}

void ReceivedChanges::missed()
{
    std::fputs("changes: announcements may have been missed: every account moves\n", stderr);
    m_versions.everyAccountMoved();
    m_targets.listenersChanged();
}

} // namespace corvane::relay
