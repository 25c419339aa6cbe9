#include "scripting/ScriptingInterface.h"

#include "QtPrinters.h"
#include "TestNames.h"

#include <gtest/gtest.h>

namespace {

const QString kName = QStringLiteral("org.photolib.Scripting");

struct BadDocument {
    const char* what;
    const char* xml;
};

class TheScriptingInterface : public ::testing::TestWithParam<BadDocument> {};

TEST_P(TheScriptingInterface, refusesADocumentWithoutAUsableDeclaration)
{
    QString error;
    EXPECT_FALSE(ScriptingInterface::parse(GetParam().xml, kName, &error)) << GetParam().what;
    EXPECT_FALSE(error.isEmpty()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, TheScriptingInterface,
    ::testing::Values(
        BadDocument{"not XML", "method GetText(s) -> s"},
        BadDocument{"no node", "<interface name=\"org.photolib.Scripting\"/>"},
        BadDocument{"another interface", "<node><interface name=\"org.other\"/></node>"},
        BadDocument{"an argument without a type",
                    "<node><interface name=\"org.photolib.Scripting\"><method name=\"A\">"
                    "<arg name=\"x\" direction=\"in\"/></method></interface></node>"},
        BadDocument{"an argument of no D-Bus type",
                    "<node><interface name=\"org.photolib.Scripting\"><method name=\"A\">"
                    "<arg type=\"q(\" direction=\"in\"/></method></interface></node>"}),
    [](const auto& info) { return readableTestName(info.param.what); });

} // namespace
