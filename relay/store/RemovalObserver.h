#pragma once

namespace corvane::relay {

// Told, on the I/O thread, when a retention pass has removed payloads (of any account).
class RemovalObserver {
public:
    virtual ~RemovalObserver() = default;

    virtual void payloadsRemoved() = 0;
};

} // namespace corvane::relay
