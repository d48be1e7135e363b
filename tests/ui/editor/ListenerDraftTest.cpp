#include "ui/editor/ListenerDraft.h"
#include "support/TestRegistry.h"

#include <QTest>

Q_DECLARE_METATYPE(corvane::NotificationConfig)
Q_DECLARE_METATYPE(corvane::ListenerDraft)

namespace corvane {

class ListenerDraftTest : public QObject {
    Q_OBJECT

private slots:
    void combineTemplate_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("combined");
        QTest::newRow("empty") << "" << "{{body.action}}";
        QTest::newRow("blank") << " \t " << "{{body.action}}";
        QTest::newRow("default body") << "{{raw_body}}" << "{{body.action}}";
        QTest::newRow("default title, padded") << " {{listener_name}}\t" << "{{body.action}}";
        QTest::newRow("text") << "Deploy" << "Deploy {{body.action}}";
        QTest::newRow("trailing space") << "Deploy " << "Deploy {{body.action}}";
        QTest::newRow("line break kept") << "Deploy\n" << "Deploy\n {{body.action}}";
    }
    void combineTemplate()
    {
        QFETCH(QString, existing);
        QFETCH(QString, combined);
        QCOMPARE(corvane::combineTemplate(existing, "body.action"), combined);
    }

    void hasChanges_data()
    {
        QTest::addColumn<NotificationConfig>("stored");
        QTest::addColumn<ListenerDraft>("draft");
        QTest::addColumn<bool>("changed");
        ListenerDraft initial; // empty texts, "Glass", enabled
        initial.name = "Deploys";
        QTest::newRow("absent members") << NotificationConfig{} << initial << false;
        ListenerDraft pinging = initial;
        pinging.sound = "Ping";
        QTest::newRow("absent sound against Ping") << NotificationConfig{} << pinging << true;
        const NotificationConfig set{.title = "t", .body = "b", .filter = "f", .sound = "Ping"};
        const ListenerDraft same{
            .name = "Deploys", .title = "t", .body = "b", .filter = "f", .sound = "Ping", .isEnabled = true};
        QTest::newRow("set members") << set << same << false;
        for (QString ListenerDraft::* text : {&ListenerDraft::name, &ListenerDraft::title, &ListenerDraft::body,
                 &ListenerDraft::filter, &ListenerDraft::sound}) {
            ListenerDraft edited = same;
            edited.*text += ' ';
            QTest::addRow("%s edited", qPrintable(edited.*text)) << set << edited << true;
        }
        ListenerDraft disabled = same;
        disabled.isEnabled = false;
        QTest::newRow("disabled") << set << disabled << true;
    }
    void hasChanges()
    {
        QFETCH(NotificationConfig, stored);
        QFETCH(ListenerDraft, draft);
        QFETCH(bool, changed);
        Listener listener;
        listener.name = "Deploys";
        listener.isEnabled = true;
        listener.notificationConfig = stored;
        QCOMPARE(draft.hasChanges(listener), changed);
        QVERIFY(!draft.hasChanges(std::nullopt));
    }
};

CORVANE_TEST(ListenerDraftTest)

} // namespace corvane

#include "ListenerDraftTest.moc"
