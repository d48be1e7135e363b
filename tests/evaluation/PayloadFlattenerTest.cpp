#include "evaluation/PayloadFlattener.h"
#include "model/JsonText.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace corvane;
using PayloadFlattener::Row;

namespace {

std::vector<Row> rowsOf(const nlohmann::json& root)
{
    std::vector<Row> rows;
    PayloadFlattener::flatten(&root, "", 0, rows);
    return rows;
}

// One line per row: "path depth key [display]", with " +" for a container and the id where it is not
// the path.
QStringList described(const std::vector<Row>& rows)
{
    QStringList lines;
    for (const auto& each : rows) {
        lines << QString::fromStdString(each.path + " " + std::to_string(each.depth) + " " + each.key + " ["
            + each.displayValue + "]" + (each.isContainer ? " +" : "")
            + (each.id == each.path ? "" : " id " + each.id));
    }
    return lines;
}

} // namespace

class PayloadFlattenerTest : public QObject {
    Q_OBJECT

private slots:
    // Rows in pre-order, keys in code point order.
    void listsRowsInPreOrder_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("nested") << R"({"body": {"b": 1, "a": {"c": [true, null]}}})"
                                << QStringList{"body 0 body [{ 2 keys }] +", "body.a 1 a [{ 1 keys }] +",
                                       "body.a.c 2 c [[ 2 items ]] +", "body.a.c.0 3 [0] [true]", "body.a.c.1 3 [1] []",
                                       "body.b 1 b [1]"};
        QTest::newRow("code point order")
            << R"({"query": {}, "body": {"alpha": 1, "Zeta": 2, "é": 3, "z": 4}})"
            << QStringList{"body 0 body [{ 4 keys }] +", "body.Zeta 1 Zeta [2]", "body.alpha 1 alpha [1]",
                   "body.z 1 z [4]", "body.é 1 é [3]", "query 0 query [{ 0 keys }] +"};
        QTest::newRow("empty containers and numbers")
            << R"({"body": {"o": {}, "a": [], "d": 2.0, "t": "2.0", "k.x": 1}})"
            << QStringList{"body 0 body [{ 5 keys }] +", "body.a 1 a [[ 0 items ]] +", "body.d 1 d [2]",
                   "body.k.x 1 k.x [1]", "body.o 1 o [{ 0 keys }] +", "body.t 1 t [2.0]"};
        QString accents;
        accents.fill(QChar(0xE9), 600);
        QTest::newRow("long value cut between characters") << "{\"body\": {\"s\": \"a" + accents
                + "\"}}" << QStringList{"body 0 body [{ 1 keys }] +", "body.s 1 s [a" + accents.left(511) + "…]"};
    }
    void listsRowsInPreOrder()
    {
        QFETCH(QString, root);
        QFETCH(QStringList, rows);
        QCOMPARE(described(rowsOf(test::json(root))), rows);
    }

    void prefixAndDepthComeFromTheCaller()
    {
        std::vector<Row> rows;
        const auto array = test::json(R"(["x", {"k": 1}])");
        PayloadFlattener::flatten(&array, "items", 2, rows);
        QCOMPARE(
            described(rows), QStringList({"items.0 2 [0] [x]", "items.1 2 [1] [{ 1 keys }] +", "items.1.k 3 k [1]"}));

        rows.clear();
        PayloadFlattener::flatten(nullptr, "", 0, rows);
        const auto scalar = test::json("5");
        PayloadFlattener::flatten(&scalar, "", 0, rows);
        QVERIFY(rows.empty());
        QCOMPARE(PayloadFlattener::containerPreview(&scalar), "");
        QCOMPARE(PayloadFlattener::containerPreview(nullptr), "");
    }

    // A body nested as deep as decoding allows flattens without exhausting the stack.
    void deepBodyStaysBounded()
    {
        const int levels = 100000;
        const auto body = parseJson(R"({"body":)" + std::string(levels, '[') + std::string(levels, ']') + "}");
        QVERIFY(body);
        QCOMPARE(rowsOf(*body).size(), static_cast<std::size_t>(maximumJsonDepth));
    }
};

CORVANE_TEST(PayloadFlattenerTest)
#include "PayloadFlattenerTest.moc"
