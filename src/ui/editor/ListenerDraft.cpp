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

} // namespace

ListenerDraft ListenerDraft::from(const Listener& listener)
{
    const NotificationConfig& config = listener.notificationConfig;
    return {
        .name = QString::fromStdString(listener.name),
        .title = text(config.title),
        .body = text(config.body),
        .link = text(config.link),
        .filter = text(config.filter),
        .sound = config.sound ? QString::fromStdString(*config.sound) : SoundPicker::defaultSound(),
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
        .link = unlessEmpty(link),
    };
}

bool ListenerDraft::hasChanges(const std::optional<Listener>& listener) const
{
    return listener && *this != from(*listener);
}

} // namespace corvane
