#include "evaluation/JSONPathFilter.h"
#include "evaluation/PayloadContext.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace corvane;

Q_DECLARE_METATYPE(std::optional<std::string>)

class JSONPathFilterTest : public QObject {
    Q_OBJECT

private slots:
    void decidesWhetherAPayloadFires_data()
    {
        QTest::addColumn<std::optional<std::string>>("filter");
        QTest::addColumn<bool>("fires");

        const auto row = [](const char* name, std::optional<std::string> filter, bool fires) {
            QTest::newRow(name) << std::move(filter) << fires;
        };
        row("absent", std::nullopt, true);
        row("empty", "", true);
        row("spaces and tabs", " \t \u00A0", true);
        row("root", "$", true);
        row("full path", "$.body.action", true);
        row("root without dot", "$body.action", true);
        row("no root", "body.action", true);
        row("surrounded by spaces", "  $.body.action\t", true);
        row("case differs", "$.body.Action", false);
        row("space after root", "$. body.action", false);
        row("line break is not trimmed", "$.body.action\n", false);
        row("empty text", "$.body.empty", false);
        row("true", "$.body.yes", true);
        row("false", "$.body.no", false);
        row("zero", "$.body.zero", true);
        row("empty array", "$.body.none", false);
        row("empty object", "$.body.nothing", true);
        row("null", "$.body.null", false);
        row("array element", "$.body.items.0.id", true);
        row("brackets", "$.body.items[0].id", false);
        row("missing", "$.body.missing", false);
        row("header", "$.headers.x-event", true);
        row("double root", "$$.body.action", false);
        row("marked root", "$\u0301.body.action", false);
    }
    void decidesWhetherAPayloadFires()
    {
        QFETCH(std::optional<std::string>, filter);
        QFETCH(bool, fires);

        Payload payload;
        payload.method = "POST";
        payload.headers = {{"x-event", AnyCodable{"pull_request"}}, {"x-empty", AnyCodable{""}}};
        payload.body = AnyCodable::fromJson(test::json(R"({
            "action": "opened", "empty": "", "yes": true, "no": false, "zero": 0,
            "none": [], "nothing": {}, "null": null, "items": [{"id": 1}]
        })"));
        QCOMPARE(JSONPathFilter::matches(filter, payloadContext(payload)), fires);
    }

    void emptyRawBodyAndMethodDoNotFire()
    {
        Payload payload;
        QVERIFY(!JSONPathFilter::matches("$.raw_body", payloadContext(payload)));
        QVERIFY(!JSONPathFilter::matches("$.method", payloadContext(payload)));
        QVERIFY(!JSONPathFilter::matches("$.headers", payloadContext(payload)));
    }
};

CORVANE_TEST(JSONPathFilterTest)
#include "JSONPathFilterTest.moc"
