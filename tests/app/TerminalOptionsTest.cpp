#include "TerminalOptions.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

TEST(TerminalOptions, flagsBecomeOverridesOfTheirSettings)
{
    const QString folder = TestEnvironment::makeScratchDir("out");
    const auto options =
        TerminalOptions::parse({"--option", "1", "--quality", "0.6", "--size", "50", "--no-tag",
                                "--trash", "--referenced", folder, "--parent-keywords", "A,B"});
    ASSERT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.overrides.value("ProcessingOption").toLongLong(), 1);
    EXPECT_DOUBLE_EQ(options.overrides.value("JpegQuality").toDouble(), 0.6);
    EXPECT_EQ(options.overrides.value("JpegOutputSize").toLongLong(), 2);
    EXPECT_FALSE(options.overrides.value("TagEnabled").toBool());
    EXPECT_TRUE(options.overrides.value("TrashEnabled").toBool());
    EXPECT_TRUE(options.overrides.value("ExternallyReferenced").toBool());
    EXPECT_EQ(options.referencedFolder, folder);
    EXPECT_EQ(options.overrides.value("ParentKeywords").toString(), "A,B");
    EXPECT_FALSE(options.overrides.contains("HideEnabled"));
}

TEST(TerminalOptions, anEstimateTakesItsSampleAndTheSmallerFilesSwitchBothWays)
{
    const auto sampled = TerminalOptions::parse({"--sample", "12", "--estimate", "--allow-larger"});
    ASSERT_TRUE(sampled.error.isEmpty()) << sampled.error.toStdString();
    EXPECT_TRUE(sampled.estimate);
    EXPECT_EQ(sampled.sampleSize, 12);
    EXPECT_FALSE(sampled.overrides.value("OnlySmallerFiles").toBool());

    const auto whole = TerminalOptions::parse({"--estimate", "--only-smaller"});
    EXPECT_TRUE(whole.estimate);
    EXPECT_EQ(whole.sampleSize, 0);
    EXPECT_TRUE(whole.overrides.value("OnlySmallerFiles").toBool());
    EXPECT_FALSE(TerminalOptions::parse({}).estimate);
    EXPECT_EQ(TerminalOptions::parse({"--sample", "3"}).error, "--sample goes with --estimate");
}

TEST(TerminalOptions, aLockedSideSelectsTheFixedSizeAndUnlocksTheOther)
{
    const auto options = TerminalOptions::parse({"--long-side", "1920"});
    ASSERT_TRUE(options.error.isEmpty());
    EXPECT_EQ(options.overrides.value("JpegOutputSize").toLongLong(), 4);
    EXPECT_EQ(options.overrides.value("LongSide").toLongLong(), 1920);
    EXPECT_TRUE(options.overrides.value("LongLocked").toBool());
    EXPECT_FALSE(options.overrides.value("ShortLocked").toBool());
}

TEST(TerminalOptions, badArgumentsAreRefusedWithAReason)
{
    const QList<QStringList> bad = {{"--option", "5"},
                                    {"--option", "-1"},
                                    {"--quality", "1.5"},
                                    {"--quality", "x"},
                                    {"--quality", "nan"},
                                    {"--quality", "-nan"},
                                    {"--quality", "inf"},
                                    {"--size", "60"},
                                    {"--long-side", "0"},
                                    {"--referenced", "/no/such/folder"},
                                    {"--frobnicate"},
                                    {"--quality"},
                                    {"--estimate", "--sample", "0"},
                                    {"--estimate", "--sample", "many"},
                                    {"--sample", "3"}};
    for (const QStringList& args : bad) {
        const auto options = TerminalOptions::parse(args);
        EXPECT_FALSE(options.error.isEmpty()) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(TerminalOptions::parse({"--help"}).helpRequested);
}

TEST(TerminalOptions, anUnknownFlagIsCalledUnknownWhereverItStands)
{
    const QList<QStringList> cases = {
        {"--frobnicate"}, {"--frobnicate", "1"}, {"--tag", "--frobnicate"}, {"-x"}};
    for (const QStringList& args : cases) {
        const auto options = TerminalOptions::parse(args);
        const QString flag = args.last() == "1" ? args.first() : args.last();
        EXPECT_EQ(options.error, QStringLiteral("unknown option %1 (see --help)").arg(flag))
            << args.join(' ').toStdString();
    }
    EXPECT_EQ(TerminalOptions::parse({"--size"}).error, "--size needs a value");
}

TEST(TerminalOptions, noReferencedTurnsTheStoredSettingOff)
{
    const auto options = TerminalOptions::parse({"--no-referenced"});
    ASSERT_TRUE(options.error.isEmpty());
    EXPECT_FALSE(options.overrides.value("ExternallyReferenced", true).toBool());
    EXPECT_TRUE(options.referencedFolder.isEmpty());
}

} // namespace
