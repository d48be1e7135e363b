#include "platform/UrlSchemeHandler.h"
#include "support/HeadlessSession.h"
#include "support/TestRegistry.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <qcoro/qcorotask.h>

namespace corvane {

namespace {

QString defaultHandler()
{
    QProcess query;
    query.start("xdg-mime", {"query", "default", "x-scheme-handler/corvane-test"});
    query.waitForFinished(10'000);
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

// Registration through xdg-mime in the private session's own configuration folders.
class UrlSchemeHandlerTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CORVANE_REQUIRE_HEADLESS_SESSION();
        QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/mimeapps.list");
        QFile::remove(entryPath());
    }

    // Without an installed entry, a hidden one is written and chosen as the handler.
    void registersWhenNoHandlerIsChosen()
    {
        QCoro::waitFor(
            UrlSchemeHandler::ensureRegistered("dev.corvane.test.desktop", "corvane-test", "/opt/my apps/$corvane"));
        QCOMPARE(defaultHandler(), "dev.corvane.test.desktop");
        QFile entry(entryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY(text.contains("\nExec=\"/opt/my apps/\\\\$corvane\" %u\n"));
        QVERIFY(text.contains("\nNoDisplay=true\n"));
        QVERIFY(text.contains("\nMimeType=x-scheme-handler/corvane-test;\n"));
    }

    void execLineQuoting_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("exec");
        QTest::newRow("reserved characters") << "/tmp/a\"b$c`d\\e" << "\"/tmp/a\\\"b\\$c\\`d\\\\e\" %u";
        QTest::newRow("percent") << "/tmp/100%/corvane" << "/tmp/100%%/corvane %u";
    }
    void execLineQuoting()
    {
        QFETCH(QString, executable);
        QFETCH(QString, exec);
        QCOMPARE(UrlSchemeHandler::execLine(executable), exec);
    }

private:
    static QString entryPath()
    {
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + "/dev.corvane.test.desktop";
    }
};

CORVANE_TEST(UrlSchemeHandlerTest)

} // namespace corvane

#include "UrlSchemeHandlerTest.moc"
