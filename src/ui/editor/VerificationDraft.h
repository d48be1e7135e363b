#pragma once

#include "model/ListenerVerification.h"
#include "service/MessageBodies.h"

#include <QString>

#include <optional>

namespace corvane {

// The editable copy of a listener's signature check. The secret starts empty whatever the relay holds:
// it is write-only, typed to set or replace the stored one.
struct VerificationDraft {
    QString scheme; // empty for none, else the scheme's wire name ("github", "hmac", ...)
    QString secret;
    bool rejectsUnsigned = false;
    QString header;
    QString algorithm = QStringLiteral("sha256");
    QString encoding = QStringLiteral("hex");
    QString prefix;

    static VerificationDraft from(const std::optional<ListenerVerification>& stored);

    // Whether saving has to send a secret: a scheme is chosen and the relay holds no secret for it.
    bool needsSecret(const std::optional<ListenerVerification>& stored) const;
    // Why the draft cannot be saved over `stored` (a secret or the hmac header is missing, a Standard
    // Webhooks secret lacks its "whsec_" prefix), or the empty text.
    QString problem(const std::optional<ListenerVerification>& stored) const;
    // What an update sends: nothing when the draft equals from(stored), null for no scheme, else the
    // settings, with the secret only when one was typed.
    VerificationUpdate update(const std::optional<ListenerVerification>& stored) const;

    // Equal when saving either sends the same: without a scheme nothing else counts, and the header,
    // algorithm, encoding and prefix count for "hmac" only.
    friend bool operator==(const VerificationDraft& left, const VerificationDraft& right);
};

} // namespace corvane
