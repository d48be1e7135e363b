#include "evaluation/Template.h"
#include "evaluation/NotificationContent.h"
#include "evaluation/PayloadContext.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"

#include <QTest>

#include <array>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

using namespace corvane;
using Json = nlohmann::json;

namespace {

// A captured request named Deploys; `body` is JSON text, or empty for a request without a body.
Payload payloadWithBody(const QString& body)
{
    Payload payload;
    payload.id = "p1";
    payload.method = "POST";
    payload.listenerName = "Deploys";
    payload.receivedAt = "2025-01-31T09:15:00.250Z";
    if (!body.isEmpty()) {
        payload.body = AnyCodable::fromJson(test::json(body));
    }
    return payload;
}

QString rendered(const QString& templateText, const Payload& payload)
{
    return QString::fromStdString(Template::render(templateText.toStdString(), payloadContext(payload)));
}

} // namespace

class TemplateTest : public QObject {
    Q_OBJECT

private slots:
    void rendersTokens_data()
    {
        QTest::addColumn<QString>("templateText");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("expected");

        const QString event = R"({"event": "push", "Event": "upper"})";
        const QString items = R"({"items": [{"id": 7}]})";
        QTest::newRow("no tokens") << "plain {text} }}" << event << "plain {text} }}";
        QTest::newRow("spaces and tabs inside")
            << "{{ listener_name }}: {{\tbody.event  }}" << event << "Deploys: push";
        QTest::newRow("no-break space inside") << "{{\u00A0body.event\u3000}}" << event << "push";
        QTest::newRow("line break is kept") << "{{\nbody.event}}|{{body.event\n}}" << event << "|";
        QTest::newRow("array index") << "{{body.items.0.id}}" << items << "7";
        QTest::newRow("index out of range") << "[{{body.items.1.id}}]" << items << "[]";
        QTest::newRow("index beyond 64 bits") << "[{{body.items.9223372036854775808}}]" << items << "[]";
        QTest::newRow("no brackets") << "[{{body.items[0].id}}]" << items << "[]";
        QTest::newRow("case matters") << "{{body.Event}}/{{body.EVENT}}" << event << "upper/";
        QTest::newRow("extra closing brace") << "{{body.event}}}" << event << "push}";
        QTest::newRow("unterminated after a token") << "{{body.event}} {{b {{c" << event << "push {{b {{c";
        QTest::newRow("tokens do not nest") << "[{{a{{b}}]" << event << "[]";
        QTest::newRow("digit key on an object") << "{{body.0}}" << R"({"0": "zero"})" << "zero";
        QTest::newRow("empty segments skipped") << "{{.body..event.}}" << event << "push";
        QTest::newRow("boolean and null") << "{{body.t}}|{{body.n}}" << R"({"t": true, "n": null})" << "true|";
        QTest::newRow("object as compact JSON") << "{{body}}" << R"({"b": 1, "a": "x/y"})" << R"({"a":"x\/y","b":1})";
        QTest::newRow("absent raw body") << "[{{raw_body}}]" << event << "[]";
        // Braces that carry a combining mark, or follow a prepended mark, are not token braces.
        QTest::newRow("combining mark on opening") << "{\u0301{body.event}}" << event << "{\u0301{body.event}}";
        QTest::newRow("closing after a marked brace") << "{{body.event}\u0301}}}" << event << "}";
        QTest::newRow("prepended mark") << "\u0600{{{body.event}}" << event << "\u0600{push";
        QTest::newRow("marked dot is no separator") << "{{body.a.\u0301b}}" << R"({"a.\u0301b": "kept"})" << "kept";
    }
    void rendersTokens()
    {
        QFETCH(QString, templateText);
        QFETCH(QString, body);
        QFETCH(QString, expected);

        QCOMPARE(rendered(templateText, payloadWithBody(body)), expected);
    }

    // The context holds only what the payload carries; the empty token renders all of it as compact JSON.
    void contextAndTheEmptyToken()
    {
        auto payload = payloadWithBody("");
        payload.listenerName.reset();
        QCOMPARE(payloadContext(payload), test::json(R"({"method": "POST", "listener_name": "", "raw_body": ""})"));

        payload.headers = {{"h", AnyCodable{nullptr}}};
        payload.query = {{"ref", AnyCodable{Json::array({"a/b"})}}};
        payload.body = AnyCodable{nullptr};
        payload.rawBody = "null";
        payload.listenerId = "l1";
        payload.deliveredAt = "2025-01-31T09:15:00.250Z";
        const auto context = payloadContext(payload);
        QCOMPARE(context, test::json(R"({"method": "POST", "listener_name": "", "raw_body": "null",
            "headers": {"h": null}, "query": {"ref": ["a/b"]}, "body": null})"));
        const auto text = rendered("{{ }}", payload);
        QVERIFY(!text.contains(' ') && text.contains(R"(a\/b)"));
        QCOMPARE(test::json(text), context);
    }

    void stringifiesValues_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("integral double") << "3.0" << "3";
        QTest::newRow("negative zero") << "-0.0" << "0";
        QTest::newRow("price") << "19.99" << "19.99";
        QTest::newRow("written with an exponent") << "1.5e-7" << "0.00000015";
        QTest::newRow("two to the 63") << "9223372036854775808.0" << "9223372036854776000";
        QTest::newRow("huge integral double") << "1e300" << ("1" + QString(300, '0'));
        QTest::newRow("largest integer") << "9223372036854775807" << "9223372036854775807";
        QTest::newRow("text keeps its slash") << R"("a/b")" << "a/b";
        QTest::newRow("nested slash escaped") << R"(["a/b"])" << R"(["a\/b"])";
        QTest::newRow("null") << "null" << "";
        QTest::newRow("unicode unescaped") << R"(["é"])" << R"(["é"])";
    }
    void stringifiesValues()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);

        const auto parsed = test::json(value);
        QCOMPARE(QString::fromStdString(Template::stringify(&parsed)), expected);
    }

    void tinyDoublesReadBack()
    {
        for (const double value : {1e-7, 5e-324, 0.000123456789, -2.2250738585072014e-308, 123456789.123456789}) {
            const Json number = value;
            const auto text = Template::stringify(&number);
            double readBack = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), readBack);
            QCOMPARE(error, std::errc{});
            QCOMPARE(end, text.data() + text.size());
            QCOMPARE(readBack, value);
        }
    }

    void neverFailsOnOddValues()
    {
        QCOMPARE(Template::stringify(nullptr), "");
        const Json invalidText = Json::array({std::string("\xC3\x28")});
        QCOMPARE(QString::fromStdString(Template::stringify(&invalidText)), "[\"\uFFFD(\"]");
        const Json infinite = std::numeric_limits<double>::infinity();
        QVERIFY(!Template::stringify(&infinite).empty());
        const Json unsignedNumber = std::uint64_t{18446744073709551615ULL};
        QCOMPARE(Template::stringify(&unsignedNumber), "18446744073709551615");

        const std::string invalidTemplate = "\xFF{{\xC3}}\xE2\x82";
        const auto output = Template::render(invalidTemplate, test::json(R"({"\u00c3": 1})"));
        QCOMPARE(output, "\xFF\xE2\x82");
    }

    // A payload value added to a template replaces what the user did not write, and follows the rest.
    void combinesTokens_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("combined");
        QTest::newRow("placeholder, padded") << " {{listener_name}}\t" << "{{body.action}}";
        QTest::newRow("blank") << " \t" << "{{body.action}}";
        QTest::newRow("text") << "Deploy" << "Deploy {{body.action}}";
        QTest::newRow("trailing space") << "Deploy " << "Deploy {{body.action}}";
        QTest::newRow("line break kept") << "Deploy\n" << "Deploy\n {{body.action}}";
    }
    void combinesTokens()
    {
        QFETCH(QString, existing);
        QFETCH(QString, combined);
        constexpr std::array<std::string_view, 1> placeholders{"{{listener_name}}"};
        QCOMPARE(
            QString::fromStdString(Template::combine(existing.toStdString(), "body.action", placeholders)), combined);
    }

    // Unset templates render as the defaults or as nothing, as the caller says; a link is offered only
    // when it renders to a web address.
    void rendersNotifications()
    {
        const Json context{{"listener_name", "CI"}, {"raw_body", "{}"},
            {"body", {{"url", "https://ci.example.test/9"}, {"path", "/etc/passwd"}, {"page", "javascript:void 0"}}}};
        const NotificationConfig unset;
        const auto defaults = NotificationContent::render(unset, context, NotificationContent::Unset::defaults);
        QCOMPARE(defaults.title, "CI");
        QCOMPARE(defaults.body, "{}");
        QCOMPARE(NotificationContent::render(unset, context, NotificationContent::Unset::empty).title, "");

        NotificationConfig linked;
        for (const auto& [link, shown] : std::initializer_list<std::pair<std::string, std::optional<std::string>>>{
                 {"{{body.url}}", "https://ci.example.test/9"},
                 {"HTTP://ci.example.test/a", "HTTP://ci.example.test/a"}, {"file://{{body.path}}", std::nullopt},
                 {"{{body.page}}", std::nullopt}, {"https://ci.example.test/a b", std::nullopt},
                 {"https:///path", std::nullopt}, {"{{body.missing}}", std::nullopt}}) {
            linked.link = link;
            QCOMPARE(NotificationContent::render(linked, context, NotificationContent::Unset::defaults).link, shown);
        }
    }
};

CORVANE_TEST(TemplateTest)
#include "TemplateTest.moc"
