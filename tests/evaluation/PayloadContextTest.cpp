#include "evaluation/PayloadContext.h"
#include "evaluation/JSONPathFilter.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace corvane;

// What templates and filters see of the relay's signature check.
class PayloadContextTest : public QObject {
    Q_OBJECT

private slots:
    void verifiedFollowsTheOutcome_data()
    {
        QTest::addColumn<QString>("status"); // empty: the relay did not check
        QTest::addColumn<QString>("verified"); // the context's member as JSON, empty when absent
        QTest::addColumn<bool>("fires"); // under the filter $.verified
        QTest::newRow("verified") << "verified" << "true" << true;
        QTest::newRow("failed") << "failed" << "false" << false;
        QTest::newRow("not checked") << "" << "" << false;
    }
    void verifiedFollowsTheOutcome()
    {
        QFETCH(QString, status);
        QFETCH(QString, verified);
        QFETCH(bool, fires);
        Payload payload;
        if (!status.isEmpty()) {
            payload.verification = VerificationOutcome{.status = status.toStdString(), .reason = "missing"};
        }
        const auto context = payloadContext(payload);
        QCOMPARE(context.contains("verified"), !verified.isEmpty());
        QVERIFY(verified.isEmpty() || context.at("verified") == test::json(verified));
        QCOMPARE(JSONPathFilter::matches("$.verified", context), fires);
    }
};

CORVANE_TEST(PayloadContextTest)

#include "PayloadContextTest.moc"
