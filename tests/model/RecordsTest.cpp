#include "model/Account.h"
#include "model/JsonFields.h"
#include "model/Listener.h"
#include "model/Payload.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace corvane;
using Json = nlohmann::json;

namespace {

Json listenerJson()
{
    return test::json(R"({
        "id": "l1", "listener_token": "tok", "name": "Deploys", "description": "CI",
        "is_enabled": true, "notification_config": {"title": "{{body.action}}", "sound": "Ping"},
        "created_at": "2025-01-31T09:15:00.250Z", "updated_at": "2025-01-31T09:16:00.000Z",
        "undelivered_count": 2, "total_received": 9, "hook_path": "/h/tok",
        "verification": {"scheme": "hmac", "mode": "mark", "secret_set": true, "header": "X-Signature",
                         "algorithm": "sha1", "encoding": "base64", "prefix": "sha1="}
    })");
}

Json payloadJson()
{
    return test::json(R"({
        "id": "p1", "listener_id": "l1", "listener_name": "Deploys", "listener_token": "tok",
        "notification_config": {"body": "{{raw_body}}"}, "method": "POST",
        "headers": {"content-type": "application/json", "x-empty": null},
        "query": {"ref": ["a", "b"]}, "body": {"action": "opened", "n": 1.5},
        "raw_body": "action=opened&n=1.5", "body_truncated": true, "body_size": 70000,
        "received_at": "2025-01-31T09:15:00.250Z",
        "delivered_at": "2025-01-31T09:15:01.000Z",
        "verification": {"status": "failed", "reason": "signature does not match"}
    })");
}

template <class Record> QString decodingFailure(const Json& json)
{
    const auto decoded = Record::fromJson(json);
    return decoded ? QString() : QString::fromStdString(decoded.error().description());
}

} // namespace

class RecordsTest : public QObject {
    Q_OBJECT

private slots:
    void decodesEveryMember()
    {
        const auto listener = Listener::fromJson(listenerJson());
        QVERIFY(listener);
        QCOMPARE(listener->listenerToken, "tok");
        QCOMPARE(listener->description, std::optional<std::string>("CI"));
        QCOMPARE(listener->notificationConfig.title, std::optional<std::string>("{{body.action}}"));
        QCOMPARE(listener->undeliveredCount, std::optional<std::int64_t>(2));
        QCOMPARE(listener->hookPath, "/h/tok");
        QVERIFY(listener->verification->secretSet);
        QCOMPARE(listener->verification->prefix, std::optional<std::string>("sha1="));

        const auto payload = Payload::fromJson(payloadJson());
        QVERIFY(payload);
        QVERIFY(payload->headers->at("x-empty").value.is_null());
        QCOMPARE(payload->query->at("ref").value, test::json(R"(["a","b"])"));
        QCOMPARE(payload->body->value["n"], Json(1.5));
        QCOMPARE(payload->deliveredAt, std::optional<std::string>("2025-01-31T09:15:01.000Z"));
        QCOMPARE(payload->verification->reason, std::optional<std::string>("signature does not match"));
    }

    // Decoding from a value that is handed over moves its members out and gives the same records.
    void decodingAnRvalueGivesTheSameRecords()
    {
        auto list = Json::array({payloadJson(), payloadJson()});
        list[1]["body"]["big"] = std::uint64_t{18446744073709551615ULL};
        const auto copied = JsonFields::decode<std::vector<Payload>>(list);
        const auto moved = JsonFields::decode<std::vector<Payload>>(std::move(list));
        QVERIFY(copied && moved);
        QCOMPARE(*moved, *copied);
        QVERIFY(moved->at(1).body->value["big"].is_number_float());

        auto bad = listenerJson();
        bad["notification_config"]["title"] = 1;
        QCOMPARE(Listener::fromJson(std::move(bad)).error().description(),
            "notification_config.title: expected a string, found a number");
    }

    // Absent and null optionals are none; unknown keys are ignored, except inside the body.
    void absentNullAndUnknownMembers()
    {
        auto json = listenerJson();
        for (const auto* member : {"undelivered_count", "total_received", "verification"}) {
            json.erase(member);
        }
        json["description"] = nullptr;
        json["notification_config"] = Json::object();
        json["extra"] = 1;
        const auto listener = Listener::fromJson(json);
        QVERIFY(listener);
        QCOMPARE(listener->undeliveredCount, std::nullopt);
        QCOMPARE(listener->totalReceived, std::nullopt);
        QCOMPARE(listener->description, std::nullopt);
        QCOMPARE(listener->verification, std::nullopt);
        QCOMPARE(listener->notificationConfig, NotificationConfig{});

        auto payload = payloadJson();
        payload["body"] = nullptr;
        QCOMPARE(Payload::fromJson(payload)->body, std::nullopt);
        payload["body"] = test::json(R"({"a": null, "colour": "red"})");
        QVERIFY(Payload::fromJson(payload)->body->value["a"].is_null());
        QCOMPARE(Payload::fromJson(payload)->body->value["colour"], Json("red"));
    }

    void failuresNameTheMember_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("failure");

        QTest::newRow("missing configuration")
            << "notification_config" << "" << "notification_config: required key is missing";
        QTest::newRow("text flag") << "is_enabled" << R"("yes")" << "is_enabled: expected a boolean, found a string";
        QTest::newRow("fractional count")
            << "total_received" << "1.5" << "total_received: expected an integer, found a number";
        QTest::newRow("count beyond 64 bits")
            << "total_received" << "18446744073709551615" << "total_received: number does not fit a 64-bit integer";
        QTest::newRow("configuration not an object")
            << "notification_config" << "[]" << "notification_config: expected an object, found an array";
    }
    void failuresNameTheMember()
    {
        QFETCH(QString, member);
        QFETCH(QString, replacement);
        QFETCH(QString, failure);

        auto json = listenerJson();
        if (replacement.isEmpty()) {
            json.erase(member.toStdString());
        } else {
            json[member.toStdString()] = Json::parse(replacement.toStdString());
        }
        QCOMPARE(decodingFailure<Listener>(json), failure);
    }

    // One bad element fails the whole list, and the failure says which element.
    void oneBadElementFailsTheList()
    {
        auto bad = payloadJson();
        bad.erase("received_at");
        const Json list = Json::array({payloadJson(), payloadJson(), bad});

        const auto decoded = JsonFields::decode<std::vector<Payload>>(list);
        QVERIFY(!decoded);
        QCOMPARE(decoded.error().within("webhooks").description(), "webhooks[2].received_at: required key is missing");
    }

    // Encoding leaves absent optionals out, and decoding what was encoded gives the same record back.
    void encodingRoundTrips()
    {
        const NotificationConfig config{
            "Title", "Body", std::nullopt, std::nullopt, "https://ci.example.test/{{body.id}}"};
        QCOMPARE(config.toJson(),
            test::json(
                "{\"title\": \"Title\", \"body\": \"Body\", \"link\": \"https://ci.example.test/{{body.id}}\"}"));
        QCOMPARE(Listener::fromJson(listenerJson())->toJson(), listenerJson());

        auto json = payloadJson();
        for (const auto* member : {"listener_id", "headers", "query", "body", "raw_body", "body_truncated", "body_size",
                 "delivered_at", "verification"}) {
            json.erase(member);
        }
        QCOMPARE(Payload::fromJson(json)->toJson(), json);
        QVERIFY(!Payload::fromJson(json)->isBodyCut());
        const auto payload = Payload::fromJson(payloadJson());
        QVERIFY(payload->isBodyCut() && payload->bodySize == 70000);
        QCOMPARE(Payload::fromJson(payload->toJson()), payload);
        const auto account = Account::fromJson(test::json(R"({"id":"a","email":"dev@example.com","tier":"pro"})"));
        QVERIFY(account);
        QCOMPARE(Account::fromJson(account->toJson()), account);
    }
};

CORVANE_TEST(RecordsTest)
#include "RecordsTest.moc"
