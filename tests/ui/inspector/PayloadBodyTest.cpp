#include "ui/inspector/PayloadBody.h"
#include "support/TestRegistry.h"
#include "ui/components/StyledLabel.h"
#include "ui/inspector/BodyExcerpt.h"
#include "ui/inspector/PayloadBodyText.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTest>

namespace corvane {

class PayloadBodyTest : public QObject {
    Q_OBJECT

private slots:
    // A body of any size shows an excerpt of bounded size and says so; "Copy Body" gives all of it.
    void largeBodiesShowAnExcerpt_data()
    {
        QTest::addColumn<QByteArray>("members");
        QTest::addColumn<QString>("start");
        QTest::newRow("long string") << QByteArray("\"body\": {\"a/b\": \"" + QByteArray(9 << 20, 'x') + "\"}")
                                     << "{\n  \"a\\/b\": \"xxx";
        QByteArray invalid(10 << 20, 'a');
        for (qsizetype index = 0; index < invalid.size(); index += 100) {
            invalid[index] = '\n';
            invalid[index + 1] = '\xff';
        }
        QTest::newRow("invalid UTF-8") << QByteArray("\"raw_body\": \"" + invalid.toPercentEncoding() + '"')
                                       << QString("\n\uFFFDaaa");
        QTest::newRow("small") << QByteArray("\"body\": [1]") << "[\n  1\n]";
    }
    void largeBodiesShowAnExcerpt()
    {
        QFETCH(QByteArray, members);
        QFETCH(QString, start);
        auto json
            = nlohmann::json::parse("{\"id\": \"p1\", \"method\": \"POST\", \"received_at\": \"\", " + members + "}");
        if (json.contains("raw_body")) {
            json["raw_body"]
                = QByteArray::fromPercentEncoding(QByteArray::fromStdString(json["raw_body"])).toStdString();
        }
        const auto payload = std::make_shared<const Payload>(*Payload::fromJson(json));
        PayloadBody body(payload);
        QTRY_VERIFY(body.text() != nullptr);
        const QString shown = body.text()->toPlainText();
        QVERIFY2(shown.startsWith(start), qPrintable(shown.left(20)));
        QCOMPARE_LE(shown.size(), qsizetype{BodyExcerpt::shownLimit});
        const bool large = members.size() > 1000;
        QCOMPARE(body.note()->isVisibleTo(&body), large);
        QCOMPARE(body.note()->text().contains(" MiB"), large);

        QApplication::clipboard()->clear();
        body.copyButton()->click();
        const QString whole = QString::fromStdString(BodyExcerpt::wholeText(*payload));
        QTRY_COMPARE(QApplication::clipboard()->text().size(), whole.size());
        QVERIFY(QApplication::clipboard()->text() == whole);
        QVERIFY(whole.startsWith(start) && whole.size() > (large ? 9 << 20 : 0));
    }
};

CORVANE_TEST(PayloadBodyTest)

} // namespace corvane

#include "PayloadBodyTest.moc"
