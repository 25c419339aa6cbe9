#include "FaultPlan.h"

#include "TestNames.h"

#include <QDBusObjectPath>

#include <gtest/gtest.h>

namespace {

using CallFault = FaultPlan::CallFault;

QVariant path(const char* text)
{
    return QVariant::fromValue(QDBusObjectPath(QString::fromLatin1(text)));
}

struct MalformedCase {
    const char* what;
    const char* calls;
    const char* named; ///< the entry the complaint names
};

// The parameter is a malformed entry of a plan.
class TheFaultPlan : public ::testing::TestWithParam<MalformedCase> {};

TEST_F(TheFaultPlan, plansEachNamedCallOfAMethodByItsNumber)
{
    FaultPlan plan;
    ASSERT_TRUE(plan.addCalls({QStringLiteral("GetText:2,Export:1"), QStringLiteral("GetText:5")},
                              CallFault::Fail));
    ASSERT_TRUE(plan.addCalls({QStringLiteral("Name:With:Colons:3")}, CallFault::Exit));

    EXPECT_EQ(plan.faultAt(QStringLiteral("GetText"), 2), CallFault::Fail);
    EXPECT_EQ(plan.faultAt(QStringLiteral("GetText"), 5), CallFault::Fail);
    EXPECT_EQ(plan.faultAt(QStringLiteral("Export"), 1), CallFault::Fail);
    EXPECT_EQ(plan.faultAt(QStringLiteral("Name:With:Colons"), 3), CallFault::Exit);
    EXPECT_FALSE(plan.faultAt(QStringLiteral("GetText"), 1));
    EXPECT_FALSE(plan.faultAt(QStringLiteral("GetText"), 3));
    EXPECT_FALSE(plan.faultAt(QStringLiteral("Import"), 1));
}

TEST_P(TheFaultPlan, aMalformedEntryRejectsTheWholeListAndIsNamed)
{
    FaultPlan plan;
    const Result<void> added =
        plan.addCalls({QString::fromLatin1(GetParam().calls)}, CallFault::Malformed);

    ASSERT_FALSE(added);
    EXPECT_TRUE(added.error().contains(QLatin1String(GetParam().named)))
        << qPrintable(added.error());
    EXPECT_FALSE(plan.faultAt(QStringLiteral("GetText"), 1)) << "nothing of the list is planned";
}

INSTANTIATE_TEST_SUITE_P(
    Entries, TheFaultPlan,
    ::testing::Values(MalformedCase{"no number", "GetText:1,Export", "\"Export\""},
                      MalformedCase{"call zero", "GetText:1,Export:0", "\"Export:0\""},
                      MalformedCase{"a negative number", "GetText:1,Export:-2", "\"Export:-2\""},
                      MalformedCase{"a word for a number", "GetText:1,Export:x", "\"Export:x\""},
                      MalformedCase{"no method", "GetText:1,:3", "\":3\""}),
    [](const auto& info) { return readableTestName(info.param.what); });

TEST_F(TheFaultPlan, endsTheServerOnlyOnceTheGivenNumberOfCallsIsAnswered)
{
    FaultPlan plan;
    EXPECT_FALSE(plan.endsAfter(1000)) << "a healthy library never ends";
    plan.exitAfterCalls = 2;
    EXPECT_FALSE(plan.endsAfter(1));
    EXPECT_TRUE(plan.endsAfter(2));
    plan.exitAfterCalls = 0;
    EXPECT_TRUE(plan.endsAfter(0));
}

TEST_F(TheFaultPlan, answersAZeroHeightToSingleReadsOfTheVersionsItNames)
{
    FaultPlan plan;
    plan.zeroHeightIds = {QStringLiteral("A")};

    EXPECT_EQ(plan.spoiledProperty(QStringLiteral("/version/A"), QStringLiteral("height"), 700),
              QVariant(0));
    EXPECT_EQ(plan.spoiledProperty(QStringLiteral("/version/A"), QStringLiteral("width"), 900),
              QVariant(900));
    EXPECT_EQ(plan.spoiledProperty(QStringLiteral("/version/B"), QStringLiteral("height"), 700),
              QVariant(700));
    EXPECT_EQ(plan.spoiledProperty(QStringLiteral("/version/A/other/FileSize"),
                                   QStringLiteral("height"), 700),
              QVariant(700))
        << "only image versions have a height";
}

TEST_F(TheFaultPlan, spoilsOnlyTheBulkReadValuesOfTheVersionsItNames)
{
    FaultPlan plan;
    plan.zeroHeightIds = {QStringLiteral("A")};
    plan.noFileSizeIds = {QStringLiteral("A")};
    plan.mismatchedTagIds = {QStringLiteral("B")};
    const QVariantList objects = {path("/version/A"), path("/version/B"), path("/album/1")};
    const QStringList keys = {QStringLiteral("height"), QStringLiteral("otherTags.name"),
                              QStringLiteral("otherTags.value"),
                              QStringLiteral("customTags.value")};
    const QStringList otherNames = {QStringLiteral("FileName"), QStringLiteral("FileSize"),
                                    QStringLiteral("MasterProject")};
    const QVariantList otherValues = {QStringLiteral("a.dng"), 42, path("/project/1")};
    const QVariantList custom = {QStringLiteral("x"), QStringLiteral("y")};
    const QVariantList columns = {
        QVariantList{600, 700, 800},
        QVariantList{otherNames, otherNames, QVariant()},
        QVariantList{otherValues, otherValues, QVariant()},
        QVariantList{custom, custom, QVariant()},
    };

    const QVariantList spoiled = plan.spoiledBulkRead(objects, keys, columns);

    ASSERT_EQ(spoiled.size(), 4);
    EXPECT_EQ(spoiled[0].toList(), (QVariantList{0, 700, 800}));
    const QVariantList names = spoiled[1].toList();
    ASSERT_EQ(names.size(), 3);
    EXPECT_EQ(names[0].metaType().id(), QMetaType::QStringList) << "names stay a list of texts";
    EXPECT_EQ(names[0].toStringList(),
              (QStringList{QStringLiteral("FileName"), QStringLiteral("MasterProject")}));
    EXPECT_EQ(names[1].toStringList(), otherNames);
    EXPECT_FALSE(names[2].isValid());
    const QVariantList values = spoiled[2].toList();
    EXPECT_EQ(values[0].toList(), (QVariantList{QStringLiteral("a.dng"), path("/project/1")}));
    EXPECT_EQ(values[1].toList(), otherValues.mid(0, 2)) << "one value short of its names";
    EXPECT_EQ(spoiled[3].toList(), (QVariantList{custom, custom.mid(0, 1), QVariant()}));
}

TEST_F(TheFaultPlan, dropsTheLastObjectOfTagValueColumnsOnlyWhenTheListsAreInconsistent)
{
    const QVariantList objects = {path("/version/A"), path("/version/B")};
    const QStringList keys = {QStringLiteral("IPTCTags.name"), QStringLiteral("IPTCTags.value")};
    const QVariantList columns = {QVariantList{QStringList{}, QStringList{}},
                                  QVariantList{QVariantList{}, QVariantList{}}};
    FaultPlan plan;
    EXPECT_EQ(plan.spoiledBulkRead(objects, keys, columns), columns);

    plan.inconsistentTagLists = true;
    const QVariantList spoiled = plan.spoiledBulkRead(objects, keys, columns);

    EXPECT_EQ(spoiled[0].toList().size(), 2);
    EXPECT_EQ(spoiled[1].toList().size(), 1);
}

} // namespace
