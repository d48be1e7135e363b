#pragma once

#include <QHashFunctions>
#include <QString>

namespace corvane {

// What the main window's detail pane shows.
struct SidebarSelection {
    enum class Kind {
        activity,
        listener, // the editor of the listener `listenerId`
        newListener,
        preferences,
    };

    Kind kind = Kind::activity;
    QString listenerId;

    static SidebarSelection forListener(const QString& id) { return {Kind::listener, id}; }

    friend bool operator==(const SidebarSelection&, const SidebarSelection&) = default;
};

inline size_t qHash(const SidebarSelection& selection, size_t seed = 0)
{
    return qHashMulti(seed, static_cast<int>(selection.kind), selection.listenerId);
}

} // namespace corvane
