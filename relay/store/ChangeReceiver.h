#pragma once

#include "store/ChangeBatch.h"

namespace corvane::relay {

// Takes, on the I/O thread, what the relay instances on the same database announced.
class ChangeReceiver {
public:
    virtual ~ChangeReceiver() = default;

    virtual void received(const ChangeBatch& batch) = 0;
    // Announcements may have been lost: the connection that receives them broke and is back.
    virtual void missed() = 0;
};

} // namespace corvane::relay
