#include "model/Listener.h"
#include "model/Payload.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace corvane;
using Json = nlohmann::json;

// The signature check's members of listeners and payloads: decoded, and written back as they came.
class VerificationRecordsTest : public QObject {
    Q_OBJECT

private slots:
    void membersSurviveARoundTrip_data()
    {
        QTest::addColumn<QString>("listenerMember"); // empty: absent
        QTest::addColumn<QString>("payloadMember");
        QTest::addColumn<QString>("failure"); // empty: both decode
        QTest::newRow("absent") << "" << "" << "";
        QTest::newRow("github, verified")
            << R"({"scheme": "github", "mode": "reject", "secret_set": true})" << R"({"status": "verified"})" << "";
        QTest::newRow("hmac, failed")
            << R"({"scheme": "hmac", "mode": "mark", "secret_set": true, "header": "X-Signature",
                   "algorithm": "sha1", "encoding": "base64", "prefix": "sha1="})"
            << R"({"status": "failed", "reason": "signature does not match"})" << "";
        QTest::newRow("malformed listener member")
            << R"({"scheme": "github", "mode": "mark", "secret_set": "yes"})" << ""
            << "verification.secret_set: expected a boolean, found a string";
        QTest::newRow("malformed payload member")
            << "" << R"({"reason": "signature does not match"})" << "verification.status: required key is missing";
    }
    void membersSurviveARoundTrip()
    {
        QFETCH(QString, listenerMember);
        QFETCH(QString, payloadMember);
        QFETCH(QString, failure);
        auto listenerJson = test::json(R"({"id": "l1", "listener_token": "t", "name": "n", "is_enabled": true,
            "notification_config": {}, "created_at": "c", "updated_at": "u", "hook_path": "/h/t"})");
        auto payloadJson = test::json(R"({"id": "p1", "method": "POST", "received_at": "r"})");
        if (!listenerMember.isEmpty()) {
            listenerJson["verification"] = test::json(listenerMember);
        }
        if (!payloadMember.isEmpty()) {
            payloadJson["verification"] = test::json(payloadMember);
        }
        const auto listener = Listener::fromJson(listenerJson);
        const auto payload = Payload::fromJson(payloadJson);
        if (!failure.isEmpty()) {
            const auto& error = listener ? payload.error() : listener.error();
            QCOMPARE(QString::fromStdString(error.description()), failure);
            return;
        }
        QVERIFY(listener && payload);
        QCOMPARE(listener->verification.has_value(), !listenerMember.isEmpty());
        QCOMPARE(payload->verification.has_value(), !payloadMember.isEmpty());
        QCOMPARE(listener->toJson(), listenerJson);
        QCOMPARE(payload->toJson(), payloadJson);
    }
};

CORVANE_TEST(VerificationRecordsTest)

#include "VerificationRecordsTest.moc"
