#include "support/HeadlessSession.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/activity/ActivityListModel.h"
#include "ui/activity/ActivityRowDelegate.h"
#include "ui/components/Card.h"
#include "ui/components/StatusPill.h"
#include "ui/inspector/PayloadInspector.h"
#include "ui/inspector/PayloadInspectorSheet.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace corvane {
namespace {

Payload payload(const QByteArray& members)
{
    const QByteArray json = "{\"id\": \"p1\", \"method\": \"PUT\", \"received_at\": \"2026-01-01T00:00:00.000Z\""
        + (members.isEmpty() ? QByteArray() : ", " + members) + "}";
    return *Payload::fromJson(nlohmann::json::parse(json.toStdString()));
}

QStringList cardTitles(const QWidget& inspector)
{
    QStringList titles;
    for (const auto* card : inspector.findChildren<Card*>()) {
        titles << card->title();
    }
    return titles;
}

QStringList labels(const QWidget& parent)
{
    QStringList texts;
    for (const auto* label : parent.findChildren<QLabel*>()) {
        texts << label->text();
    }
    for (const auto* text : parent.findChildren<QPlainTextEdit*>()) {
        texts << text->toPlainText();
    }
    return texts;
}

} // namespace

// The payload inspector over a real AppState, embedded and in its sheet.
class InspectorTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        m_shell = std::make_unique<test::SessionFixture>();
        m_shell->start(false);
    }
    void cleanup() { m_shell.reset(); }

    void cards_data()
    {
        QTest::addColumn<QByteArray>("members");
        QTest::addColumn<QStringList>("texts"); // shown in this order
        QTest::addColumn<QStringList>("cards");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("delivery");
        const QStringList withoutQuery{"Event", "Headers", "Body"};
        const QStringList withQuery{"Event", "Headers", "Query", "Body"};
        QTest::newRow("bare") << QByteArray() << QStringList{"(unknown)", "No headers", "(empty)"} << withoutQuery
                              << false << "pending";
        QTest::newRow("named, empty maps")
            << QByteArray("\"listener_id\": \"l1\", \"listener_name\": \"Deploys\", \"headers\": {}, \"query\": {},"
                          " \"raw_body\": \"plain\"")
            << QStringList{"Deploys", "No headers", "plain"} << withoutQuery << true << "pending";
        QTest::newRow("bare string body, delivered")
            << QByteArray("\"body\": \"hi\", \"raw_body\": \"\\\"hi\\\"\", \"delivered_at\": \"d\"")
            << QStringList{"\"hi\""} << withoutQuery << false << "delivered";
        QTest::newRow("headers sorted, query, pretty body") << QByteArray(
            "\"headers\": {\"b\": 2, \"A\": \"x\"}, \"query\": {\"q\": [1]}, \"body\": {\"z\": \"a/b\", \"y\": [1]}")
                                                            << QStringList{"A", "x", "b", "2", "q", "[1]",
                                                                   "{\n  \"y\": [\n    1\n  ],\n  \"z\": \"a\\/b\"\n}"}
                                                            << withQuery << false << "pending";
        QStringList numbers;
        for (int number = 0; number < 3000; ++number) {
            numbers << QString::number(number);
        }
        QTest::newRow("large body, pretty-printed on the pool")
            << "\"body\": [" + numbers.join(',').toUtf8() + "]" << QStringList{"[\n  " + numbers.join(",\n  ") + "\n]"}
            << withoutQuery << false << "pending";
    }
    void cards()
    {
        QFETCH(QByteArray, members);
        QFETCH(QStringList, texts);
        const PayloadInspector inspector(m_shell->state(), payload(members), PayloadInspector::Presentation::embedded);
        QFETCH(QStringList, cards);
        QFETCH(bool, edit);
        QFETCH(QString, delivery);
        QCOMPARE(cardTitles(inspector), cards);
        QCOMPARE(inspector.editButton() != nullptr, edit);
        QStringList pills;
        for (const auto* pill : inspector.findChildren<StatusPill*>()) {
            pills << pill->label();
        }
        QCOMPARE(pills, QStringList({"PUT", delivery}));
        QTRY_VERIFY(inspector.bodyText() != nullptr);
        const QStringList shown = labels(inspector);
        qsizetype from = 0;
        for (const QString& text : texts) {
            from = shown.indexOf(text, from);
            QVERIFY2(from >= 0, qPrintable(text));
        }
    }

    // Only the sheet closes (Escape); "Edit listener" dismisses it and selects the listener.
    void sheetCloses()
    {
        const PayloadInspector embedded(m_shell->state(), payload({}), PayloadInspector::Presentation::embedded);
        QCOMPARE(embedded.closeButton(), nullptr);
        QWidget window;
        window.show();
        PayloadInspectorSheet sheet(m_shell->state(), payload("\"listener_id\": \"l7\""), &window);
        sheet.open();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QApplication::setActiveWindow(&sheet);
        QSignalSpy rejected(&sheet, &QDialog::rejected);
        QTest::keyClick(sheet.inspector()->refireButton(), Qt::Key_Escape);
        QTRY_COMPARE(rejected.size(), 1);
        QSignalSpy dismissed(sheet.inspector(), &PayloadInspector::dismissRequested);
        sheet.inspector()->editButton()->click();
        QCOMPARE(dismissed.size(), 1);
        QCOMPARE(m_shell->state().sidebarSelection(), SidebarSelection::forListener("l7"));
    }

    // Each outcome stays for the full time after the latest press: one timer, restarted.
    void feedbackRestartsWithEachPress()
    {
        PayloadInspector inspector(
            m_shell->state(), payload("\"listener_id\": \"gone\""), PayloadInspector::Presentation::embedded);
        QTimer& timer = inspector.feedbackTimer();
        inspector.refireButton()->click();
        QTRY_COMPARE(inspector.feedbackText(), "Listener no longer exists");
        QCOMPARE(inspector.feedbackOk(), false);
        timer.stop();
        inspector.refireButton()->click();
        QTRY_VERIFY(timer.isActive());
        QCOMPARE(inspector.feedbackText(), "Listener no longer exists");
        QVERIFY(QMetaObject::invokeMethod(&timer, "timeout"));
        QCOMPARE(inspector.feedbackText(), QString());
        QCOMPARE(inspector.feedbackOk(), std::nullopt);

        // An outcome while the last one fades out fades back in and stays.
        const auto* fade = inspector.findChild<QGraphicsOpacityEffect*>();
        const auto* feedback = qobject_cast<QWidget*>(fade->parent());
        inspector.refireButton()->click();
        QTRY_COMPARE(fade->opacity(), 1.0);
        QVERIFY(feedback->isVisibleTo(&inspector));
        QVERIFY(QMetaObject::invokeMethod(&timer, "timeout"));
        QTRY_VERIFY(!feedback->isVisibleTo(&inspector));
        QCOMPARE(fade->opacity(), 0.0);
    }

    // The inspector's pill and the activity row's shield and accessible text follow the signature check.
    void verificationMarks_data()
    {
        QTest::addColumn<QByteArray>("outcome"); // empty: not checked
        QTest::addColumn<QString>("pill"); // empty: none
        QTest::addColumn<QString>("accessibleRow");
        QTest::addColumn<bool>("shield");
        QTest::newRow("verified") << QByteArray(R"({"status": "verified"})") << "verified" << "Deploys, verified"
                                  << true;
        QTest::newRow("failed") << QByteArray(R"({"status": "failed", "reason": "signature does not match"})")
                                << "unverified" << "Deploys, unverified" << false;
        QTest::newRow("not checked") << QByteArray() << "" << "Deploys" << false;
    }
    void verificationMarks()
    {
        QFETCH(QByteArray, outcome);
        QFETCH(QString, pill);
        QFETCH(QString, accessibleRow);
        QFETCH(bool, shield);
        const QByteArray named = "\"listener_name\": \"Deploys\"";
        const Payload checked = payload(named + (outcome.isEmpty() ? "" : ", \"verification\": " + outcome));
        const auto paintedRow = [](const Payload& shown) {
            const std::vector<Payload> payloads{shown};
            const ActivityListModel model(payloads);
            QStyleOptionViewItem option;
            option.rect = QRect(0, 0, 320, 40);
            QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            ActivityRowDelegate().paint(&painter, option, model.index(0));
            return std::pair(image, model.data(model.index(0), Qt::AccessibleTextRole).toString());
        };

        const PayloadInspector inspector(m_shell->state(), checked, PayloadInspector::Presentation::embedded);
        const StatusPill* shown = inspector.verificationPill();
        QCOMPARE(shown != nullptr ? shown->label() : QString(), pill);
        QVERIFY(shown == nullptr || shown->tint() == Theme::Tint(shield ? Theme::Colour::green : Theme::Colour::red));
        QVERIFY(pill != "unverified" || shown->toolTip() == "signature does not match");
        const auto [row, accessible] = paintedRow(checked);
        QCOMPARE(accessible, accessibleRow);
        QCOMPARE(row != paintedRow(payload(named)).first, shield);
    }

private:
    std::unique_ptr<test::SessionFixture> m_shell;
};

CORVANE_TEST(InspectorTest)

} // namespace corvane

#include "InspectorTest.moc"
