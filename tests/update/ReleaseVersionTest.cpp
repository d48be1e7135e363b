#include "update/ReleaseVersion.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace corvane;

class ReleaseVersionTest : public QObject {
    Q_OBJECT

private slots:
    void comparesPartByPartAsNumbers_data()
    {
        QTest::addColumn<QString>("newerVersion");
        QTest::addColumn<QString>("newerBuild");
        QTest::addColumn<QString>("olderVersion");
        QTest::addColumn<QString>("olderBuild");

        QTest::newRow("1.10 after 1.9") << "1.10" << "" << "1.9" << "";
        QTest::newRow("2 after 1.99.99") << "2" << "" << "1.99.99" << "";
        QTest::newRow("1.4.1 after 1.4") << "1.4.1" << "" << "1.4" << "";
        QTest::newRow("0.10.0 after 0.9.12") << "0.10.0" << "" << "0.9.12" << "";
        QTest::newRow("build breaks a tie") << "1.4.0" << "27" << "1.4.0" << "9";
        QTest::newRow("build 10 after build 9") << "1.4.0" << "10" << "1.4.0" << "9";
        QTest::newRow("dotted build") << "1.4.0" << "27.1" << "1.4.0" << "27";
        QTest::newRow("version before build") << "1.5" << "1" << "1.4" << "99";
        QTest::newRow("any build after none") << "1.4.0" << "1" << "1.4.0" << "";
        QTest::newRow("large parts") << "1.999999999" << "" << "1.999999998" << "";
    }
    void comparesPartByPartAsNumbers()
    {
        QFETCH(QString, newerVersion);
        QFETCH(QString, newerBuild);
        QFETCH(QString, olderVersion);
        QFETCH(QString, olderBuild);

        const auto newer = ReleaseVersion::parse(newerVersion, newerBuild);
        const auto older = ReleaseVersion::parse(olderVersion, olderBuild);
        QVERIFY(newer && older);
        QVERIFY(*newer > *older);
        QVERIFY(*older < *newer);
        QVERIFY(*newer != *older);
    }

    void equalWhateverTheSpelling_data()
    {
        QTest::addColumn<QString>("leftVersion");
        QTest::addColumn<QString>("leftBuild");
        QTest::addColumn<QString>("rightVersion");
        QTest::addColumn<QString>("rightBuild");

        QTest::newRow("trailing zero") << "1.4" << "" << "1.4.0" << "";
        QTest::newRow("leading zero") << "1.01" << "" << "1.1" << "";
        QTest::newRow("no build is build 0") << "1.4.0" << "" << "1.4.0" << "0";
        QTest::newRow("same build") << "1.4.0" << "27" << "1.4.0.0" << "27.0";
    }
    void equalWhateverTheSpelling()
    {
        QFETCH(QString, leftVersion);
        QFETCH(QString, leftBuild);
        QFETCH(QString, rightVersion);
        QFETCH(QString, rightBuild);

        const auto left = ReleaseVersion::parse(leftVersion, leftBuild);
        const auto right = ReleaseVersion::parse(rightVersion, rightBuild);
        QVERIFY(left && right);
        QVERIFY(*left == *right);
        QVERIFY(!(*left < *right) && !(*right < *left));
    }

    void rejectsWhatIsNotNumbersSeparatedByDots_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("build");

        QTest::newRow("empty version") << "" << "27";
        QTest::newRow("word") << "latest" << "";
        QTest::newRow("trailing dot") << "1." << "";
        QTest::newRow("leading dot") << ".1" << "";
        QTest::newRow("double dot") << "1..2" << "";
        QTest::newRow("suffix") << "1.2-beta" << "";
        QTest::newRow("letter between numbers") << "1x2" << "";
        QTest::newRow("v prefix") << "v1.2" << "";
        QTest::newRow("surrounding space") << " 1.2" << "";
        QTest::newRow("sign") << "+1.2" << "";
        QTest::newRow("negative") << "1.-2" << "";
        QTest::newRow("ten digits") << "1.1234567890" << "";
        QTest::newRow("other digits") << "\u0661.\u0662" << "";
        QTest::newRow("bad build") << "1.4.0" << "27a";
        QTest::newRow("build in parentheses") << "1.4.0" << "(27)";
    }
    void rejectsWhatIsNotNumbersSeparatedByDots()
    {
        QFETCH(QString, version);
        QFETCH(QString, build);

        QVERIFY(!ReleaseVersion::parse(version, build));
    }

    void textKeepsTheSpelling()
    {
        QCOMPARE(ReleaseVersion::parse("1.4.0", "27")->text(), "1.4.0 (27)");
        QCOMPARE(ReleaseVersion::parse("1.04")->text(), "1.04");
    }
};

CORVANE_TEST(ReleaseVersionTest)
#include "ReleaseVersionTest.moc"
