#pragma once

#include <QString>

#include <nlohmann/json.hpp>

// The new-listener wizard's text operations: template tokens, starting templates and the texts it puts
// on the clipboard. No widgets.
namespace corvane::WizardText {

struct Templates {
    QString title;
    QString body;

    friend bool operator==(const Templates&, const Templates&) = default;
};

// The templates a new listener starts with.
Templates startingTemplates();

// `existing` with the token "{{path}}" added (Template::combine): it replaces a template that is blank,
// one of the defaults or still one of the starting templates.
QString combine(const QString& existing, const QString& path);

// Starting templates that fit a payload context whose "body" is an object: the title names the body's
// "event" or else its "action", the body shows its "message" or else its "text" (only the presence of
// a key matters). Without an object body, `current` stays as it is.
Templates seedTemplatesFrom(const nlohmann::json& context, Templates current);

// The service URL followed directly by the listener's hook path.
QString hookURL(const QString& serviceURL, const QString& hookPath);

// A command line that posts a small JSON body to `hookURL`.
QString curlExample(const QString& hookURL);

} // namespace corvane::WizardText
