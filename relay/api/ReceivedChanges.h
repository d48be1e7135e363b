#pragma once

#include "api/ChangeVersions.h"
#include "api/HookTargets.h"
#include "store/ChangeReceiver.h"

namespace corvane::relay {

// Applies what the relay instances on the same database announced: versions to the change versions
// (waking the requests that wait for them), listener changes to the hook-target cache. When
// announcements may have been missed, every account's version moves and the cache is emptied, here
// and, through the broadcast, everywhere else.
class ReceivedChanges final : public ChangeReceiver {
public:
    ReceivedChanges(ChangeVersions& versions, HookTargets& targets);

    void received(const ChangeBatch& batch) override;
    void missed() override;

private:
    ChangeVersions& m_versions;
    HookTargets& m_targets;
};

} // namespace corvane::relay
