#include "ui/editor/VerificationDraft.h"

#include <QCoreApplication>

namespace corvane {
namespace {

const QString hmacScheme = QStringLiteral("hmac");

QString text(const std::optional<std::string>& value, const QString& fallback = {})
{
    return value ? QString::fromStdString(*value) : fallback;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("VerificationDraft", text);
}

} // namespace

VerificationDraft VerificationDraft::from(const std::optional<ListenerVerification>& stored)
{
    VerificationDraft draft;
    if (!stored) {
        return draft;
    }
    draft.scheme = QString::fromStdString(stored->scheme);
    draft.rejectsUnsigned = stored->mode == "reject";
    draft.header = text(stored->header);
    draft.algorithm = text(stored->algorithm, draft.algorithm);
    draft.encoding = text(stored->encoding, draft.encoding);
    draft.prefix = text(stored->prefix);
    return draft;
}

bool VerificationDraft::needsSecret(const std::optional<ListenerVerification>& stored) const
{
    return !scheme.isEmpty() && (!stored || !stored->secretSet || scheme.toStdString() != stored->scheme);
}

QString VerificationDraft::problem(const std::optional<ListenerVerification>& stored) const
{
    if (secret.isEmpty() && needsSecret(stored)) {
        return tr("Type the signing secret the sender uses.");
    }
    if (scheme == QStringLiteral("standard") && !secret.isEmpty() && !secret.startsWith(QStringLiteral("whsec_"))) {
        return tr("Standard Webhooks secrets start with \"whsec_\".");
    }
    if (scheme == hmacScheme && header.trimmed().isEmpty()) {
        return tr("Type the name of the header that carries the signature.");
    }
    return {};
}

VerificationUpdate VerificationDraft::update(const std::optional<ListenerVerification>& stored) const
{
    if (*this == from(stored)) {
        return std::nullopt;
    }
    if (scheme.isEmpty()) {
        return VerificationUpdate(std::in_place);
    }
    VerificationSettings settings;
    settings.scheme = scheme.toStdString();
    settings.mode = rejectsUnsigned ? "reject" : "mark";
    if (!secret.isEmpty()) {
        settings.secret = secret.toStdString();
    }
    if (scheme == hmacScheme) {
        settings.header = header.trimmed().toStdString();
        settings.algorithm = algorithm.toStdString();
        settings.encoding = encoding.toStdString();
        settings.prefix = prefix.toStdString();
    }
    return settings;
}

bool operator==(const VerificationDraft& left, const VerificationDraft& right)
{
    if (left.scheme != right.scheme) {
        return false;
    }
    if (left.scheme.isEmpty()) {
        return true;
    }
    const bool same = left.secret == right.secret && left.rejectsUnsigned == right.rejectsUnsigned;
    if (!same || left.scheme != hmacScheme) {
        return same;
    }
    return left.header == right.header && left.algorithm == right.algorithm && left.encoding == right.encoding
        && left.prefix == right.prefix;
}

} // namespace corvane
