#include "ExportSetting.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SizeCase {
    int fitWithin;
    double scale;
    int width, height;
    int expectedWidth, expectedHeight;
};

class TheExportSetting : public ::testing::TestWithParam<SizeCase> {};

TEST_P(TheExportSetting, sizesFitWithoutEverEnlarging)
{
    const SizeCase& c = GetParam();
    const ExportSetting setting(QStringLiteral("s"), ExportSetting::Format::Jpeg, 8, c.fitWithin,
                                c.scale);
    EXPECT_EQ(setting.outputSize(c.width, c.height), qMakePair(c.expectedWidth, c.expectedHeight));
}

INSTANTIATE_TEST_SUITE_P(Sizes, TheExportSetting,
                         ::testing::Values(SizeCase{0, 1.0, 6000, 4000, 6000, 4000},
                                           SizeCase{1024, 1.0, 6000, 4000, 1024, 683},
                                           SizeCase{1024, 1.0, 4000, 6000, 683, 1024},
                                           SizeCase{1024, 1.0, 800, 600, 800, 600},
                                           SizeCase{0, 0.5, 3001, 2001, 1501, 1001},
                                           SizeCase{1024, 0.5, 1500, 1000, 750, 500}),
                         [](const auto& info) {
                             const SizeCase& c = info.param;
                             return "fit" + std::to_string(c.fitWithin) + "AtScale" +
                                    std::to_string(int(c.scale * 100)) + "From" +
                                    std::to_string(c.width) + "x" + std::to_string(c.height);
                         });

} // namespace
