#include "ui/wizard/WizardText.h"
#include "support/TestRegistry.h"

#include <QTest>

namespace corvane {

class WizardTextTest : public QObject {
    Q_OBJECT

private slots:
    void combine_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("starting title") << "{{listener_name}}: {{body.event}}" << "{{body.repo.name}}";
        QTest::newRow("starting body, padded") << " \t{{body.message}} " << "{{body.repo.name}}";
        QTest::newRow("name alone") << "{{listener_name}}" << "{{body.repo.name}}";
        QTest::newRow("raw body") << "{{raw_body}}" << "{{body.repo.name}}";
        QTest::newRow("blank") << " \t" << "{{body.repo.name}}";
        QTest::newRow("own text") << "\tPushed to" << "\tPushed to {{body.repo.name}}";
        QTest::newRow("ends with a space") << "Pushed to " << "Pushed to {{body.repo.name}}";
    }
    void combine()
    {
        QFETCH(QString, existing);
        QFETCH(QString, expected);
        QCOMPARE(WizardText::combine(existing, "body.repo.name"), expected);
    }

    void seed_data()
    {
        QTest::addColumn<QByteArray>("context");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::newRow("event and message")
            << QByteArray("{\"body\": {\"event\": null, \"message\": 1, \"action\": \"a\"}}")
            << "{{listener_name}}: {{body.event}}" << "{{body.message}}";
        QTest::newRow("action and text") << QByteArray("{\"body\": {\"action\": \"\", \"text\": \"t\"}}")
                                         << "{{listener_name}}: {{body.action}}" << "{{body.text}}";
        QTest::newRow("neither") << QByteArray("{\"body\": {\"Event\": \"e\"}}") << "{{listener_name}}"
                                 << "{{raw_body}}";
        QTest::newRow("array") << QByteArray("{\"body\": [{\"event\": \"e\"}]}") << "T" << "B";
        QTest::newRow("text") << QByteArray("{\"body\": \"event\"}") << "T" << "B";
        QTest::newRow("no body") << QByteArray("{\"raw_body\": \"{\\\"event\\\": 1}\"}") << "T" << "B";
    }
    void seed()
    {
        QFETCH(QByteArray, context);
        QFETCH(QString, title);
        QFETCH(QString, body);
        const auto seeded = WizardText::seedTemplatesFrom(nlohmann::json::parse(context.toStdString()), {"T", "B"});
        QCOMPARE(seeded, (WizardText::Templates{title, body}));
    }

    void curlExample()
    {
        QCOMPARE(WizardText::curlExample(WizardText::hookURL("http://127.0.0.1:3100", "/h/abc")),
            "curl -X POST http://127.0.0.1:3100/h/abc -H 'Content-Type: application/json' -d "
            "'{\"hello\":\"world\"}'");
    }
};

CORVANE_TEST(WizardTextTest)

} // namespace corvane

#include "WizardTextTest.moc"
