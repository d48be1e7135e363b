#pragma once

#include "model/JsonText.h"

#include <QFloat16>
#include <QString>
#include <QTest>

#include <nlohmann/json.hpp>

#include <string_view>

namespace corvane::test {

// JSON written in a test; text that does not parse is a fault of the test itself.
inline nlohmann::json json(std::string_view text)
{
    auto parsed = parseJson(text);
    if (!parsed) {
        qFatal("test JSON does not parse: %s", parsed.error().description().c_str());
    }
    return *std::move(parsed);
}

inline nlohmann::json json(const char* text)
{
    return json(std::string_view(text));
}

inline nlohmann::json json(const QString& text)
{
    return json(text.toStdString());
}

} // namespace corvane::test

// Lets QCOMPARE show JSON values. The complete qfloat16 type keeps nlohmann's conversion operator
// from being instantiated for it while QTest picks an overload.
template <> inline char* QTest::toString(const nlohmann::json& value)
{
    return qstrdup(value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}
