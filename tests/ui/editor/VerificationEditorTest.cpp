#include "support/HeadlessSession.h"
#include "support/JsonLiteral.h"
#include "support/SessionFixture.h"
#include "support/TestRegistry.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/ToggleSwitch.h"
#include "ui/editor/DetailView.h"
#include "ui/editor/VerificationFields.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace corvane {

// The editor's Verification card against the real AppState and a scripted relay: what Save sends, and
// what it refuses to send.
class VerificationEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CORVANE_REQUIRE_HEADLESS_SESSION(); }

    void saveSendsTheCheck_data()
    {
        QTest::addColumn<QString>("stored"); // the listener's verification member; empty: none
        QTest::addColumn<QString>("scheme"); // chosen; empty: None
        QTest::addColumn<QString>("secret"); // typed
        QTest::addColumn<bool>("rejects");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("sent"); // the PATCH's verification member: JSON, "absent" or "blocked"
        const QString github = R"({"scheme": "github", "mode": "mark", "secret_set": true})";
        QTest::newRow("new scheme with its secret") << "" << "github" << "s3cret" << false << ""
                                                    << R"({"scheme": "github", "mode": "mark", "secret": "s3cret"})";
        QTest::newRow("mode only keeps the stored secret")
            << github << "github" << "" << true << "" << R"({"scheme": "github", "mode": "reject"})";
        QTest::newRow("unchanged is left out") << github << "github" << "" << false << "" << "absent";
        QTest::newRow("None removes the check") << github << "" << "" << false << "" << "null";
        QTest::newRow("custom hmac") << "" << "hmac" << "k" << true << "X-Sig"
                                     << R"({"scheme": "hmac", "mode": "reject", "secret": "k", "header": "X-Sig",
                                           "algorithm": "sha256", "encoding": "hex", "prefix": ""})";
        QTest::newRow("another scheme needs a secret") << github << "stripe" << "" << false << "" << "blocked";
        QTest::newRow("hmac needs its header") << "" << "hmac" << "k" << false << "" << "blocked";
    }
    void saveSendsTheCheck()
    {
        QFETCH(QString, stored);
        QFETCH(QString, scheme);
        QFETCH(QString, secret);
        QFETCH(bool, rejects);
        QFETCH(QString, header);
        QFETCH(QString, sent);
        const auto listener = [](const QByteArray& name, const QString& verification) {
            const QByteArray member = verification.isEmpty() ? "" : ", \"verification\": " + verification.toUtf8();
            return test::SessionFixture::listener("l1", name, member);
        };
        test::SessionFixture shell;
        shell.script({listener("Deploys", stored)}, {}, {});
        nlohmann::json answered = sent == "absent" ? test::json(stored) : nlohmann::json();
        if (sent.startsWith('{')) {
            answered = test::json(sent);
            answered.erase("secret");
            answered["secret_set"] = true;
        }
        shell.relay().script("/listeners/l1",
            test::ScriptedHttpServer::response(
                200, listener("Renamed", answered.is_null() ? "" : QString::fromStdString(answered.dump()))));
        shell.start(true);
        DetailView view(shell.state(), "l1");
        const VerificationFields& fields = *view.verificationFields();
        for (QWidget* control : fields.focusOrder()) {
            QVERIFY(!control->accessibleName().isEmpty());
        }
        QVERIFY(fields.secretField()->text().isEmpty());

        view.nameField()->setText("Renamed");
        fields.schemePicker()->setCurrentIndex(fields.schemePicker()->findData(scheme));
        fields.secretField()->setText(secret);
        fields.rejectSwitch()->setChecked(rejects);
        fields.headerField()->setText(header);
        if (sent == "blocked") {
            QVERIFY(!view.saveButton()->isEnabled());
            QVERIFY(fields.problemLabel()->isVisibleTo(&view));
            view.revertButton()->click();
            QCOMPARE(view.draft(), ListenerDraft::from(*view.listener()));
            QCOMPARE(fields.schemePicker()->currentData().toString(), stored.isEmpty() ? "" : "github");
            return;
        }
        view.saveButton()->click();
        const auto patch = [&shell] {
            for (const auto& request : shell.relay().requests()) {
                if (request.method == "PATCH") {
                    return nlohmann::json::parse(request.body.toStdString());
                }
            }
            return nlohmann::json();
        };
        QTRY_VERIFY(!patch().is_null());
        QCOMPARE(patch().contains("verification"), sent != "absent");
        QVERIFY(sent == "absent" || patch().at("verification") == test::json(sent));
        QTRY_VERIFY(!view.saveButton()->isEnabled());
        QVERIFY(fields.secretField()->text().isEmpty());
        QCOMPARE(fields.secretField()->placeholderText(),
            scheme.isEmpty() ? "Signing secret" : "Secret set — type to replace");
    }
};

CORVANE_TEST(VerificationEditorTest)

} // namespace corvane

#include "VerificationEditorTest.moc"
