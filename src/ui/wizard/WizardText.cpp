#include "ui/wizard/WizardText.h"

#include "evaluation/NotificationContent.h"
#include "evaluation/Template.h"

#include <QStringList>

#include <array>
#include <string>
#include <string_view>

namespace corvane::WizardText {
namespace {

const QString listenerNameToken = QString::fromUtf8(NotificationContent::defaultTitle);

} // namespace

Templates startingTemplates()
{
    return {listenerNameToken + QStringLiteral(": {{body.event}}"), QStringLiteral("{{body.message}}")};
}

QString combine(const QString& existing, const QString& path)
{
    const Templates starting = startingTemplates();
    const std::string startingTitle = starting.title.toStdString();
    const std::string startingBody = starting.body.toStdString();
    const std::array<std::string_view, 4> placeholders{
        NotificationContent::defaultTitle, NotificationContent::defaultBody, startingTitle, startingBody};
    return QString::fromStdString(Template::combine(existing.toStdString(), path.toStdString(), placeholders));
}

Templates seedTemplatesFrom(const nlohmann::json& context, Templates current)
{
    const auto body = context.find("body");
    if (body == context.end() || !body->is_object()) {
        return current;
    }
    if (body->contains("event")) {
        current.title = listenerNameToken + QStringLiteral(": {{body.event}}");
    } else if (body->contains("action")) {
        current.title = listenerNameToken + QStringLiteral(": {{body.action}}");
    } else {
        current.title = listenerNameToken;
    }
    if (body->contains("message")) {
        current.body = QStringLiteral("{{body.message}}");
    } else if (body->contains("text")) {
        current.body = QStringLiteral("{{body.text}}");
    } else {
        current.body = QStringLiteral("{{raw_body}}");
    }
    return current;
}

QString hookURL(const QString& serviceURL, const QString& hookPath)
{
    return serviceURL + hookPath;
}

QString curlExample(const QString& hookURL)
{
    const nlohmann::json sample = {{"hello", "world"}};
    return QStringLiteral("curl -X POST ") + hookURL + QStringLiteral(" -H 'Content-Type: application/json' -d '")
        + QString::fromStdString(sample.dump()) + u'\'';
}

} // namespace corvane::WizardText
