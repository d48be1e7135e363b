#pragma once

#include <QObject>

namespace corvane {

// A unique_ptr deleter that leaves the deletion to the event loop: for objects that may be inside
// their own signal's emission (a reply whose finished() resumed a coroutine), or whose children still
// have queued work to finish (a network manager whose replies are being aborted).
struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

} // namespace corvane
