#include "scripting/ScriptingValue.h"

#include "QtPrinters.h"

#include <QDateTime>
#include <QPointF>

#include "TestNames.h"

#include <gtest/gtest.h>

namespace {

struct WireCase {
    const char* what;
    QVariant value;
    const char* signature;
    bool accepted;
};

class TheScriptingValue : public ::testing::TestWithParam<WireCase> {};

TEST_P(TheScriptingValue, toWireAcceptsOnlyValuesOfTheDeclaredType)
{
    const Result<QVariant> wire =
        ScriptingValue::toWire(GetParam().value, QLatin1String(GetParam().signature));
    EXPECT_EQ(wire.ok(), GetParam().accepted) << GetParam().what;
    EXPECT_EQ(wire.ok() && wire->isValid(), GetParam().accepted) << GetParam().what;
    EXPECT_EQ(wire.error().isEmpty(), GetParam().accepted)
        << GetParam().what << ": " << qPrintable(wire.error());
}

INSTANTIATE_TEST_SUITE_P(
    Values, TheScriptingValue,
    ::testing::Values(WireCase{"text as s", QStringLiteral("a"), "s", true},
                      WireCase{"a number as s", 3, "s", false}, WireCase{"int as i", 3, "i", true},
                      WireCase{"text as i", QStringLiteral("3"), "i", false},
                      WireCase{"a boolean as i", true, "i", false},
                      WireCase{"too large for i", QVariant::fromValue<qint64>(1LL << 40), "i",
                               false},
                      WireCase{"negative as u", -1, "u", false},
                      WireCase{"a code as u", QVariant::fromValue<quint32>(0x726b6562), "u", true},
                      WireCase{"int as d", 2, "d", true}, WireCase{"an int as b", 1, "b", false},
                      WireCase{"a path as o", QStringLiteral("/version/x"), "o", true},
                      WireCase{"not a path as o", QStringLiteral("version x"), "o", false},
                      WireCase{"an empty path as o", QString(), "o", false},
                      WireCase{"a path with an empty element", QStringLiteral("/a//b"), "o", false},
                      WireCase{"a path ending in /", QStringLiteral("/a/"), "o", false},
                      WireCase{"a path with a dash", QStringLiteral("/a-b"), "o", false},
                      WireCase{"the root path", QStringLiteral("/"), "o", true},
                      WireCase{"paths as ao",
                               QStringList{QStringLiteral("/a"), QStringLiteral("/b")}, "ao", true},
                      WireCase{"a bad path in ao",
                               QStringList{QStringLiteral("/a"), QStringLiteral("b")}, "ao", false},
                      WireCase{"a date as (x)", QDateTime::currentDateTimeUtc(), "(x)", true},
                      WireCase{"a number as (x)", 5, "(x)", false},
                      WireCase{"a record as v", QVariantMap{{QStringLiteral("k"), 1}}, "v", true},
                      WireCase{"null as v", QVariant(), "v", true},
                      WireCase{"a list holding a date as av",
                               QVariantList{QDateTime::currentDateTimeUtc()}, "av", true},
                      WireCase{"a point as v", QVariant(QPointF(1, 2)), "v", false},
                      WireCase{"text as av", QStringLiteral("x"), "av", false},
                      WireCase{"an undeclared kind", 1, "h", false}),
    [](const auto& info) { return readableTestName(info.param.what); });

} // namespace
