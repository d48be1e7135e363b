#include "update/AppVersion.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QTest>

using namespace corvane;

class AppVersionTest : public QObject {
    Q_OBJECT

private slots:
    void missingOrNonTextValuesBecomeQuestionMarks_data()
    {
        QTest::addColumn<QVariantMap>("information");
        QTest::addColumn<QString>("text");

        QTest::newRow("both") << QVariantMap{{"shortVersion", "1.4.0"}, {"buildNumber", "27"}} << "1.4.0 (27)";
        QTest::newRow("no build") << QVariantMap{{"shortVersion", "1.4.0"}} << "1.4.0 (?)";
        QTest::newRow("build is a number")
            << QVariantMap{{"shortVersion", "1.4.0"}, {"buildNumber", 27}} << "1.4.0 (?)";
        QTest::newRow("version is a list")
            << QVariantMap{{"shortVersion", QStringList{"1.4.0"}}, {"buildNumber", "27"}} << "? (27)";
    }
    void missingOrNonTextValuesBecomeQuestionMarks()
    {
        QFETCH(QVariantMap, information);
        QFETCH(QString, text);

        QCOMPARE(appVersion(information), text);
    }

    // The build settings reach the text: no part of it is missing.
    void thisBuildHasAVersionAndABuildNumber()
    {
        static const QRegularExpression form(QStringLiteral(R"(^\d+(\.\d+)* \(\d+(\.\d+)*\)$)"));
        QVERIFY2(form.match(appVersion()).hasMatch(), qPrintable(appVersion()));
    }
};

CORVANE_TEST(AppVersionTest)
#include "AppVersionTest.moc"
