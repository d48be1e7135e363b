#pragma once

#include "model/Listener.h"
#include "ui/editor/VerificationDraft.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace corvane {

// The editable copy of a listener that the editor changes before anything is sent: name, templates,
// filter, sound, enabled flag and signature check. Texts are compared and sent exactly as typed.
struct ListenerDraft {
    QString name;
    QString title;
    QString body;
    QString filter;
    QString sound = defaultSound();
    bool isEnabled = true;
    VerificationDraft verification{};

    // An absent title, body or filter is empty text; an absent sound is defaultSound().
    static ListenerDraft from(const Listener& listener);

    // The configuration to send: empty texts are left out, the sound is always present.
    NotificationConfig config() const;

    // False without a listener; otherwise whether any field differs from what from(*listener) gives.
    bool hasChanges(const std::optional<Listener>& listener) const;

    friend bool operator==(const ListenerDraft&, const ListenerDraft&) = default;

    static QString defaultSound();
    // The sounds a listener can choose from, in the order the picker offers them.
    static const QStringList& soundNames();
};

// `existing` with the template token of `path` appended, one space apart. A template that is empty,
// blank or one of the defaults ("{{listener_name}}", "{{raw_body}}") is replaced by the token.
QString combineTemplate(const QString& existing, const QString& path);

} // namespace corvane
