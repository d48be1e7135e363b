#include "ui/editor/ListenerDraft.h"

namespace corvane {
namespace {

QString text(const std::optional<std::string>& value)
{
    return value ? QString::fromStdString(*value) : QString();
}

std::optional<std::string> unlessEmpty(const QString& value)
{
    return value.isEmpty() ? std::nullopt : std::optional(value.toStdString());
}

// Spaces and tabs, as template tokens trim them; line breaks are kept.
bool isBlank(QChar character)
{
    return character == u'\t' || character.category() == QChar::Separator_Space;
}

QString trimmedOfBlanks(const QString& value)
{
    qsizetype first = 0;
    qsizetype last = value.size();
    while (first < last && isBlank(value[first])) {
        ++first;
    }
    while (last > first && isBlank(value[last - 1])) {
        --last;
    }
    return value.sliced(first, last - first);
}

} // namespace

ListenerDraft ListenerDraft::from(const Listener& listener)
{
    const NotificationConfig& config = listener.notificationConfig;
    return {
        .name = QString::fromStdString(listener.name),
        .title = text(config.title),
        .body = text(config.body),
        .filter = text(config.filter),
        .sound = config.sound ? QString::fromStdString(*config.sound) : defaultSound(),
        .isEnabled = listener.isEnabled,
        .verification = VerificationDraft::from(listener.verification),
    };
}

NotificationConfig ListenerDraft::config() const
{
    return {
        .title = unlessEmpty(title),
        .body = unlessEmpty(body),
        .filter = unlessEmpty(filter),
        .sound = sound.toStdString(),
    };
}

bool ListenerDraft::hasChanges(const std::optional<Listener>& listener) const
{
    return listener && *this != from(*listener);
}

QString ListenerDraft::defaultSound()
{
    return QStringLiteral("Glass");
}

const QStringList& ListenerDraft::soundNames()
{
    static const QStringList names{
        QStringLiteral("Glass"),
        QStringLiteral("Funk"),
        QStringLiteral("Pop"),
        QStringLiteral("Submarine"),
        QStringLiteral("Ping"),
        QStringLiteral("Hero"),
        QStringLiteral("Sosumi"),
        QStringLiteral("Bottle"),
    };
    return names;
}

QString combineTemplate(const QString& existing, const QString& path)
{
    QString token = QStringLiteral("{{") + path + QStringLiteral("}}");
    const QString trimmed = trimmedOfBlanks(existing);
    if (trimmed.isEmpty() || trimmed == QStringLiteral("{{listener_name}}")
        || trimmed == QStringLiteral("{{raw_body}}")) {
        return token;
    }
    return existing.endsWith(u' ') ? existing + token : existing + u' ' + token;
}

} // namespace corvane
