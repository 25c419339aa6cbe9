#include "RunRules.h"

#include <gtest/gtest.h>

namespace {

struct ChainCase {
    const char* name;
    const char* setting;
    const char* chain;
};

class ParentChain : public testing::TestWithParam<ChainCase> {};

TEST_P(ParentChain, reversesTheCommaSeparatedNamesIntoATabChain)
{
    EXPECT_EQ(RunRules::parentChain(QString::fromUtf8(GetParam().setting)),
              QString::fromUtf8(GetParam().chain));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParentChain,
    testing::Values(ChainCase{"threeNames", "A,B,C", "C\tB\tA"}, ChainCase{"oneName", "A", "A"},
                    ChainCase{"noName", "", ""}, ChainCase{"aSpaceStaysInTheName", "A, B", " B\tA"},
                    ChainCase{"aTrailingCommaMakesAnEmptyFirstName", "A,", "\tA"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunRules, absentParentSettingGivesAnEmptyChain)
{
    EXPECT_EQ(RunRules::parentChain(QString()), QString(""));
}

TEST(RunRules, statisticsCountMegabytesOf1024Squared)
{
    const QString message = RunRules::statisticsMessage(10 * 1024 * 1024, 2.5 * 1024 * 1024);
    EXPECT_TRUE(message.endsWith("Stats:\nOriginals: 10.00 MB\nConverted: 2.50 MB\nSavings: "
                                 "7.50 MB"));
    EXPECT_TRUE(message.startsWith("Tolvane finished processing. - Check your keywords for "
                                   "Tolvane Original and Tolvane Processed.\n\n"));
    EXPECT_TRUE(
        RunRules::statisticsMessage(1024 * 1024, 3 * 1024 * 1024).endsWith("Savings: -2.00 MB"));
}

TEST(RunRules, anEstimateSaysWhatItCoveredAndGivesTheFiguresAsTheStatisticsDo)
{
    const QString figures = "Stats:\nOriginals: 10.00 MB\nConverted: 2.50 MB\nSavings: 7.50 MB";
    const QString all = RunRules::estimateMessage(10 * 1024 * 1024, 2.5 * 1024 * 1024, 12, 12);
    EXPECT_EQ(all, "Estimated from all 12 images to convert. Nothing in the library was "
                   "changed.\n\n" +
                       figures);
    const QString sampled = RunRules::estimateMessage(10 * 1024 * 1024, 2.5 * 1024 * 1024, 2, 12);
    EXPECT_TRUE(sampled.startsWith("Estimated from an evenly spread sample of 2 of the 12 images "
                                   "to convert, extrapolated"));
    EXPECT_TRUE(sampled.endsWith(figures));
}

TEST(RunRules, anEvenSampleTakesTheMiddleOfEqualStretchesAndEverythingWhenNotFewer)
{
    EXPECT_EQ(RunRules::evenSample(12, 1), QList<qsizetype>({6}));
    EXPECT_EQ(RunRules::evenSample(12, 2), QList<qsizetype>({3, 9}));
    EXPECT_EQ(RunRules::evenSample(10, 3), QList<qsizetype>({1, 5, 8}));
    EXPECT_EQ(RunRules::evenSample(4, 0), QList<qsizetype>({0, 1, 2, 3}));
    EXPECT_EQ(RunRules::evenSample(3, 5), QList<qsizetype>({0, 1, 2}));
    EXPECT_TRUE(RunRules::evenSample(0, 5).isEmpty());
    // Distinct and in order however the numbers fall.
    for (qsizetype total = 1; total < 60; ++total) {
        for (qsizetype count = 1; count <= total; ++count) {
            const QList<qsizetype> sample = RunRules::evenSample(total, count);
            ASSERT_EQ(sample.size(), count);
            for (qsizetype k = 1; k < count; ++k)
                ASSERT_LT(sample[k - 1], sample[k]) << total << " " << count;
            ASSERT_LT(sample.back(), total);
        }
    }
}

TEST(RunRules, pairPlanKeepsAndDeletesByOptionAndLeavesDirectories)
{
    const QStringList files = {"/w/a.NEF", "/w/a.JPG", "/w/a.XMP", "/w/folder"};
    const auto isDir = [](const QString& f) {
        return f.endsWith("folder");
    };
    const auto isJpeg = [](const QString& f) {
        return f.endsWith(".JPG");
    };

    auto both = RunRules::planPair(files, 2, isDir, isJpeg);
    EXPECT_EQ(both.kept, (QStringList{"/w/a.NEF", "/w/a.JPG", "/w/a.XMP"}));
    EXPECT_TRUE(both.deleted.isEmpty());

    auto raw = RunRules::planPair(files, 3, isDir, isJpeg);
    EXPECT_EQ(raw.kept, (QStringList{"/w/a.NEF", "/w/a.XMP"}));
    EXPECT_EQ(raw.deleted, QStringList{"/w/a.JPG"});

    auto jpeg = RunRules::planPair(files, 4, isDir, isJpeg);
    EXPECT_EQ(jpeg.kept, QStringList{"/w/a.JPG"});
    EXPECT_EQ(jpeg.deleted, (QStringList{"/w/a.NEF", "/w/a.XMP"}));
}

TEST(RunRules, photoFilesOfAPairAreKnownByExtensionInAnyCase)
{
    const QStringList types = {"cr2", "CR2", "dng", "DNG"};
    const auto isJpeg = [](const QString& f) {
        return f.endsWith(".jpg", Qt::CaseInsensitive);
    };
    for (const char* photo : {"/w/a.CR2", "/w/a.Cr2", "/w/a.cr2", "/w/a.dNg", "/w/a.Jpg"})
        EXPECT_TRUE(RunRules::isImageFile(photo, types, isJpeg)) << photo;
    for (const char* other : {"/w/a.XMP", "/w/CR2", "/w.cr2/a", "/w/a."})
        EXPECT_FALSE(RunRules::isImageFile(other, types, isJpeg)) << other;
}

TEST(RunRules, pairLeftAsItWasSaysWhyEvenWhenNothingWasKept)
{
    EXPECT_EQ(RunRules::pairLeftMessage("IMG_1.CR2", 2, 1),
              "IMG_1.CR2 left as it was: 1 of its 2 photo files made no new image");
    EXPECT_EQ(RunRules::pairLeftMessage("IMG_1.CR2", 0, 0),
              "IMG_1.CR2 left as it was: none of its files is one to keep");
}

} // namespace
