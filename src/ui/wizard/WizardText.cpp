#include "ui/wizard/WizardText.h"

#include <QStringList>

namespace corvane::WizardText {
namespace {

const QString listenerNameToken = QStringLiteral("{{listener_name}}");

QString trimmedOfSpacesAndTabs(const QString& text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar character) { return character == u' ' || character == u'\t'; };
    while (first < end && blank(text[first])) {
        ++first;
    }
    while (end > first && blank(text[end - 1])) {
        --end;
    }
    return text.sliced(first, end - first);
}

} // namespace

Templates startingTemplates()
{
    return {listenerNameToken + QStringLiteral(": {{body.event}}"), QStringLiteral("{{body.message}}")};
}

QString combine(const QString& existing, const QString& path)
{
    QString token = QStringLiteral("{{") + path + QStringLiteral("}}");
    const QString trimmed = trimmedOfSpacesAndTabs(existing);
    const Templates starting = startingTemplates();
    const QStringList replaceable{listenerNameToken, QStringLiteral("{{raw_body}}"), starting.title, starting.body};
    if (trimmed.isEmpty() || replaceable.contains(trimmed)) {
        return token;
    }
    return existing.endsWith(u' ') ? existing + token : existing + u' ' + token;
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
