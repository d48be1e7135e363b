#pragma once

#include "model/Listener.h"
#include "ui/components/SoundPicker.h"
#include "ui/editor/VerificationDraft.h"

#include <QString>

#include <optional>

namespace corvane {

// The editable copy of a listener that the editor changes before anything is sent: name, templates,
// link, filter, sound, enabled flag and signature check. Texts are compared and sent exactly as typed.
struct ListenerDraft {
    QString name;
    QString title;
    QString body;
    QString link;
    QString filter;
    QString sound = SoundPicker::defaultSound();
    bool isEnabled = true;
    VerificationDraft verification{};

    // An absent title, body, link or filter is empty text; an absent sound is the default sound.
    static ListenerDraft from(const Listener& listener);

    // The configuration to send: empty texts are left out, the sound is always present.
    NotificationConfig config() const;

    // False without a listener; otherwise whether any field differs from what from(*listener) gives.
    bool hasChanges(const std::optional<Listener>& listener) const;

    friend bool operator==(const ListenerDraft&, const ListenerDraft&) = default;
};

} // namespace corvane
