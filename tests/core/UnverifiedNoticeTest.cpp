#include "support/HeadlessSession.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"

#include <QTest>

namespace corvane {

// A delivered payload whose sender failed the relay's signature check says so first.
class UnverifiedNoticeTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void onlyFailedChecksHeadTheBody()
    {
        const auto checked = [](int number, const QByteArray& verification) {
            QByteArray payload = test::SessionFixture::payload(number, "t");
            payload.chop(1);
            return payload + ", \"verification\": " + verification + "}";
        };
        test::SessionFixture fixture;
        fixture.script({test::SessionFixture::listener("l1", "Deploys")}, {},
            {checked(1, R"({"status": "failed", "reason": "signature does not match"})"),
                checked(2, R"({"status": "verified"})"), test::SessionFixture::payload(3, "t")});
        fixture.start(true);
        QTRY_COMPARE(fixture.notifications().received().size(), 3);
        const auto received = fixture.notifications().received();
        QCOMPARE(received[0].body, "Unverified sender: signature does not match\nbody 1");
        QCOMPARE(received[1].body, "body 2");
        QCOMPARE(received[2].body, "body 3");
    }
};

CORVANE_TEST(UnverifiedNoticeTest)

} // namespace corvane

#include "UnverifiedNoticeTest.moc"
