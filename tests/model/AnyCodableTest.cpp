#include "model/AnyCodable.h"
#include "model/JsonText.h"
#include "support/JsonLiteral.h"
#include "support/TestRegistry.h"

#include <QTest>

using corvane::AnyCodable;
using Json = nlohmann::json;

namespace {

// Nests `levels` arrays around 1, without recursion.
Json nestedArrays(int levels)
{
    Json value = 1;
    for (int level = 0; level < levels; ++level) {
        Json outer = Json::array();
        outer.push_back(std::move(value));
        value = std::move(outer);
    }
    return value;
}

int depthOf(const Json& value)
{
    int depth = 0;
    const Json* current = &value;
    while (current->is_array() && !current->empty()) {
        current = &current->front();
        ++depth;
    }
    return depth + (current->is_array() ? 1 : 0);
}

} // namespace

class AnyCodableTest : public QObject {
    Q_OBJECT

private slots:
    // Both ways a value can arrive, parsed text and a value built elsewhere, end up with the same kind:
    // integers signed, everything past them a double.
    void decodesEachKind_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isDouble");
        QTest::addColumn<QString>("rendering");

        QTest::newRow("largest integer") << "9223372036854775807" << false << "9223372036854775807";
        QTest::newRow("smallest integer") << "-9223372036854775808" << false << "-9223372036854775808";
        QTest::newRow("one above the integers") << "9223372036854775808" << true << "9223372036854776000";
        QTest::newRow("beyond unsigned") << "18446744073709551616" << true << "18446744073709552000";
        QTest::newRow("integral double") << "2.0" << true << "2";
        QTest::newRow("string") << R"("a/b")" << false << "a/b";
        QTest::newRow("array") << R"([1, "x/y", null])" << false << R"([1,"x\/y",null])";
        QTest::newRow("object") << R"({"b": true, "a": {}})" << false << R"({"a":{},"b":true})";
    }
    void decodesEachKind()
    {
        QFETCH(QString, text);
        QFETCH(bool, isDouble);
        QFETCH(QString, rendering);

        const auto fromParser = AnyCodable::fromJson(corvane::test::json(text));
        const auto fromLibrary = AnyCodable::fromJson(Json::parse(text.toStdString()));
        for (const auto& value : {fromParser, fromLibrary}) {
            QCOMPARE(value.value.is_number_float(), isDouble);
            QVERIFY(!value.value.is_number_unsigned());
            QCOMPARE(QString::fromStdString(value.text()), rendering);
        }
    }

    // Nested unsigned values become signed too, and kinds JSON cannot carry become null.
    void unsignedAndBinaryValuesAreNormalised()
    {
        const auto value = AnyCodable::fromJson(Json::parse(R"({"a": [18446744073709551615, 7]})"));
        QVERIFY(value.value["a"][0].is_number_float());
        QVERIFY(value.value["a"][1].is_number_integer() && !value.value["a"][1].is_number_unsigned());
        QVERIFY(AnyCodable::fromJson(Json::binary({1, 2})).value.is_null());
        QVERIFY(AnyCodable{Json::binary({1, 2})}.toJson().is_null());
    }

    void parsingRejectsWhatIsNotJson_data()
    {
        QTest::addColumn<QByteArray>("text");

        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("trailing text") << QByteArray("{} x");
        QTest::newRow("number beyond double") << QByteArray("1e400");
        QTest::newRow("ill-formed UTF-8") << QByteArray("\"\xC3\x28\"");
        QTest::newRow("lone surrogate escape") << QByteArray(R"("\ud800")");
    }
    void parsingRejectsWhatIsNotJson()
    {
        QFETCH(QByteArray, text);

        const auto parsed
            = corvane::parseJson(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        QVERIFY(!parsed);
        QVERIFY(!parsed.error().description().empty());
    }

    // Deep nesting is cut at the limit instead of exhausting the stack further down; what follows the
    // cut is kept.
    void nestingBeyondTheLimitBecomesNull()
    {
        const int levels = 20000;
        const std::string text = std::string(levels, '[') + std::string(levels, ']');
        const auto parsed = corvane::parseJson(text);
        QVERIFY(parsed);
        QCOMPARE(depthOf(*parsed), corvane::maximumJsonDepth);

        const auto built = AnyCodable::fromJson(nestedArrays(levels));
        QCOMPARE(depthOf(built.value), corvane::maximumJsonDepth);

        const auto shallow = nestedArrays(corvane::maximumJsonDepth);
        QCOMPARE(AnyCodable::fromJson(shallow).value, shallow);

        const std::string sibling
            = R"({"deep": )" + std::string(levels, '[') + std::string(levels, ']') + R"(, "after": "kept"})";
        QCOMPARE((*corvane::parseJson(sibling))["after"], Json("kept"));
    }
};

CORVANE_TEST(AnyCodableTest)
#include "AnyCodableTest.moc"
