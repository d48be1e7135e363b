#include "support/HeadlessSession.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/activity/ActivityRowDelegate.h"
#include "ui/components/StatusPill.h"
#include "ui/inspector/PayloadInspector.h"

#include <QImage>
#include <QListView>
#include <QPainter>
#include <QTest>

#include <vector>

Q_DECLARE_METATYPE(std::optional<corvane::VerificationOutcome>)

namespace corvane {
namespace {

// The activity row of `payload` as the delegate paints it.
QImage paintedRow(const Payload& payload)
{
    const std::vector<Payload> payloads{payload};
    ActivityListModel model(payloads);
    QListView view;
    view.setModel(&model);
    ActivityRowDelegate delegate;
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.rect = QRect(0, 0, 320, delegate.sizeHint(option, model.index(0)).height());
    QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    delegate.paint(&painter, option, model.index(0));
    return image;
}

} // namespace

// How the inspector and the activity list mark the relay's signature check.
class VerificationMarksTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void marksFollowTheOutcome_data()
    {
        QTest::addColumn<std::optional<VerificationOutcome>>("outcome");
        QTest::addColumn<QString>("pill"); // empty: none
        QTest::addColumn<QString>("accessibleRow");
        QTest::addColumn<bool>("shield");
        QTest::newRow("verified") << std::optional(VerificationOutcome{"verified", std::nullopt}) << "verified"
                                  << "Deploys, verified" << true;
        QTest::newRow("failed") << std::optional(VerificationOutcome{"failed", "signature does not match"})
                                << "unverified" << "Deploys, unverified" << false;
        QTest::newRow("not checked") << std::optional<VerificationOutcome>() << "" << "Deploys" << false;
    }
    void marksFollowTheOutcome()
    {
        QFETCH(std::optional<VerificationOutcome>, outcome);
        QFETCH(QString, pill);
        QFETCH(QString, accessibleRow);
        QFETCH(bool, shield);
        test::SessionFixture shell;
        shell.start(false);
        Payload plain;
        plain.listenerName = "Deploys";
        Payload payload = plain;
        payload.verification = outcome;

        const PayloadInspector inspector(shell.state(), payload, PayloadInspector::Presentation::embedded);
        const StatusPill* shown = inspector.verificationPill();
        QCOMPARE(shown != nullptr, !pill.isEmpty());
        if (shown != nullptr) {
            QCOMPARE(shown->label(), pill);
            QCOMPARE(shown->tint(), Theme::Tint(pill == "verified" ? Theme::Colour::green : Theme::Colour::red));
            QVERIFY(outcome->verified() || shown->toolTip() == "signature does not match");
        }
        const std::vector<Payload> payloads{payload};
        const ActivityListModel model(payloads);
        QCOMPARE(model.data(model.index(0), Qt::AccessibleTextRole).toString(), accessibleRow);
        QCOMPARE(paintedRow(payload) != paintedRow(plain), shield);
    }
};

CORVANE_TEST(VerificationMarksTest)

} // namespace corvane

#include "VerificationMarksTest.moc"
