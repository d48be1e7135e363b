#include "model/Timestamp.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace std::chrono;

class TimestampTest : public QObject {
    Q_OBJECT

private slots:
    void readsInternetDateTimesWithFractions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("millisecondsSinceEpoch");

        QTest::newRow("milliseconds, UTC") << "2025-01-31T09:15:00.250Z" << Q_INT64_C(1738314900250);
        QTest::newRow("one digit") << "2025-01-31T09:15:00.2Z" << Q_INT64_C(1738314900200);
        QTest::newRow("finer than nanoseconds") << "2025-01-31T09:15:00.2500000009Z" << Q_INT64_C(1738314900250);
        QTest::newRow("positive offset") << "2025-01-31T10:15:00.250+01:00" << Q_INT64_C(1738314900250);
        QTest::newRow("negative offset") << "2025-01-31T04:45:00.250-04:30" << Q_INT64_C(1738314900250);
        QTest::newRow("lower-case separators") << "2025-01-31t09:15:00.250z" << Q_INT64_C(1738314900250);
        QTest::newRow("leap day") << "2024-02-29T23:59:59.000Z" << Q_INT64_C(1709251199000);
        QTest::newRow("before the epoch") << "1969-12-31T23:59:59.500Z" << Q_INT64_C(-500);
    }
    void readsInternetDateTimesWithFractions()
    {
        QFETCH(QString, text);
        QFETCH(qint64, millisecondsSinceEpoch);

        const auto parsed = corvane::Timestamp::lenient(text.toStdString());
        QVERIFY(parsed);
        QCOMPARE(duration_cast<milliseconds>(parsed->time_since_epoch()).count(), millisecondsSinceEpoch);
    }

    void rejectsEveryOtherForm_data()
    {
        QTest::addColumn<QString>("text");

        QTest::newRow("no fraction") << "2025-01-31T09:15:00Z";
        QTest::newRow("empty fraction") << "2025-01-31T09:15:00.Z";
        QTest::newRow("no zone") << "2025-01-31T09:15:00.250";
        QTest::newRow("February 29, common year") << "2023-02-29T09:15:00.250Z";
        QTest::newRow("hour 24") << "2025-01-31T24:00:00.000Z";
        QTest::newRow("offset without colon") << "2025-01-31T09:15:00.250+0100";
        QTest::newRow("trailing text") << "2025-01-31T09:15:00.250Z garbage";
        QTest::newRow("signed year") << "+2025-01-31T09:15:00.250Z";
    }
    void rejectsEveryOtherForm()
    {
        QFETCH(QString, text);
        QCOMPARE(corvane::Timestamp::lenient(text.toStdString()), std::nullopt);
    }
};

CORVANE_TEST(TimestampTest)
#include "TimestampTest.moc"
