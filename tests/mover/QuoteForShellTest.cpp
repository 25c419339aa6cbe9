#include "MoveToApplicationsFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct QuoteCase {
    const char* name;
    const char* text;
};

void PrintTo(const QuoteCase& c, std::ostream* out)
{
    *out << c.name;
}

class QuoteForShell : public ::testing::TestWithParam<QuoteCase> {};

// The shell prints how many words it read and each word on a line of its own.
TEST_P(QuoteForShell, isReadBackByTheShellAsTheSameSingleWord)
{
    const QString text = QString::fromUtf8(GetParam().text);
    QProcess shell;
    shell.start("/bin/sh", {"-c", "set -- " + quoteForShell(text) + "; printf '%s|%s' $# \"$1\""});
    ASSERT_TRUE(shell.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()), QString("1|" + text));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, QuoteForShell,
    ::testing::Values(QuoteCase{"Plain", "/home/ann/Applications/Tolvane.app"},
                      QuoteCase{"Apostrophe", "It's"}, QuoteCase{"ApostrophesEverywhere", "'a''b'"},
                      QuoteCase{"DoubleQuotesAndBlanks", "My \"best\" apps/T v.app"},
                      QuoteCase{"NewlinesAndTabs", "one\ntwo\tthree\n"},
                      QuoteCase{"DollarsBackquotesAndBackslashes", "$HOME `id` \\n \\\\ $(id)"},
                      QuoteCase{"Globs", "* ? [a-z] ~"}, QuoteCase{"Empty", ""}),
    [](const ::testing::TestParamInfo<QuoteCase>& info) { return info.param.name; });

TEST_F(QuoteForShell, writesEachApostropheAsAQuotedApostropheInsideSingleQuotes)
{
    EXPECT_EQ(quoteForShell("It's"), "'It'\\''s'");
}

} // namespace
