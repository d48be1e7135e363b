#include "evaluation/PayloadFlattener.h"
#include "model/JsonText.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"

#include <QTest>

#include <unordered_set>

using namespace corvane;
using PayloadFlattener::Row;

namespace {

std::vector<Row> rowsOf(const nlohmann::json& root)
{
    std::vector<Row> rows;
    PayloadFlattener::flatten(&root, "", 0, rows);
    return rows;
}

Row row(const std::string& path, int depth, const std::string& key, const std::string& display, bool container)
{
    return Row{path, depth, key, path, display, container};
}

} // namespace

namespace QTest {
template <> char* toString(const Row& row)
{
    return qstrdup((row.path + " depth " + std::to_string(row.depth) + " key " + row.key + " [" + row.displayValue + "]"
        + (row.isContainer ? " container" : ""))
            .c_str());
}
} // namespace QTest

class PayloadFlattenerTest : public QObject {
    Q_OBJECT

private slots:
    void listsRowsInPreOrder()
    {
        const auto rows = rowsOf(test::json(R"({"body": {"b": 1, "a": {"c": [true, null]}}})"));
        const std::vector<Row> expected{
            row("body", 0, "body", "{ 2 keys }", true),
            row("body.a", 1, "a", "{ 1 keys }", true),
            row("body.a.c", 2, "c", "[ 2 items ]", true),
            row("body.a.c.0", 3, "[0]", "true", false),
            row("body.a.c.1", 3, "[1]", "", false),
            row("body.b", 1, "b", "1", false),
        };
        QCOMPARE(rows.size(), expected.size());
        for (std::size_t index = 0; index < rows.size(); ++index) {
            QCOMPARE(rows[index], expected[index]);
        }
    }

    void scalarBodyIsOneRow()
    {
        const auto rows = rowsOf(test::json(R"({"body": "hello"})"));
        QCOMPARE(rows.size(), 1U);
        QCOMPARE(rows[0], row("body", 0, "body", "hello", false));
    }

    void keysInCodePointOrder()
    {
        const auto rows
            = rowsOf(test::json(R"({"query": {}, "headers": {}, "body": {"alpha": 1, "Zeta": 2, "é": 3, "z": 4}})"));
        QStringList paths;
        for (const auto& each : rows) {
            paths << QString::fromStdString(each.path);
        }
        QCOMPARE(paths, QStringList({"body", "body.Zeta", "body.alpha", "body.z", "body.é", "headers", "query"}));
    }

    void emptyContainersAndNumbers()
    {
        const auto rows = rowsOf(test::json(R"({"body": {"o": {}, "a": [], "d": 2.0, "t": "2.0", "k.x": 1}})"));
        QCOMPARE(rows.size(), 6U);
        QCOMPARE(rows[1], row("body.a", 1, "a", "[ 0 items ]", true));
        QCOMPARE(rows[2], row("body.d", 1, "d", "2", false));
        QCOMPARE(rows[3], row("body.k.x", 1, "k.x", "1", false));
        QCOMPARE(rows[4], row("body.o", 1, "o", "{ 0 keys }", true));
        QCOMPARE(rows[5], row("body.t", 1, "t", "2.0", false));
    }

    void prefixAndDepthComeFromTheCaller()
    {
        std::vector<Row> rows;
        const auto array = test::json(R"(["x", {"k": 1}])");
        PayloadFlattener::flatten(&array, "items", 2, rows);
        QCOMPARE(rows.size(), 3U);
        QCOMPARE(rows[0], row("items.0", 2, "[0]", "x", false));
        QCOMPARE(rows[2], row("items.1.k", 3, "k", "1", false));

        rows.clear();
        PayloadFlattener::flatten(nullptr, "", 0, rows);
        const auto scalar = test::json("5");
        PayloadFlattener::flatten(&scalar, "", 0, rows);
        QVERIFY(rows.empty());
        QCOMPARE(PayloadFlattener::containerPreview(&scalar), "");
        QCOMPARE(PayloadFlattener::containerPreview(nullptr), "");
    }

    void rowsHashOverAllFields()
    {
        const auto base = row("body.a", 1, "a", "1", false);
        std::unordered_set<Row> rows{base, base};
        QCOMPARE(rows.size(), 1U);
        auto other = base;
        other.isContainer = true;
        rows.insert(other);
        other = base;
        other.depth = 2;
        rows.insert(other);
        other = base;
        other.displayValue = "2";
        rows.insert(other);
        QCOMPARE(rows.size(), 4U);
        QCOMPARE(std::hash<Row>{}(base), std::hash<Row>{}(row("body.a", 1, "a", "1", false)));
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
