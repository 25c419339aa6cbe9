#include "SBUtils.h"

#include "FakeRunDelegate.h"
#include "PeerSession.h"
#include "QtPrinters.h"
#include "RecordingAlertPresenter.h"
#include "ScriptingErrorOf.h"
#include "TestEnvironment.h"

#include "core/SystemLog.h"
#include "scripting/ScriptingApplication.h"
#include "ui/ModalAlert.h"

#include <QFileInfo>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QStringList kTinySample = {"--seed",   "3", "--count",          "1",   "--pairs", "0",
                                 "--albums", "0", "--max-megapixels", "0.01"};

quint64 callCount(const SBUtils& utils)
{
    return utils.photoApplication()
        .connection()
        ->call(QStringLiteral("/application"), QStringLiteral("CallCount"))
        .value(0)
        .toULongLong();
}

// The value of tag `name` in a tag list of a `show` entry.
QJsonValue tagIn(const QJsonObject& version, const QString& list, const QString& name)
{
    for (const QJsonValue& tag : version.value(list).toArray())
        if (tag.toObject().value("name").toString() == name)
            return tag.toObject().value("value");
    return {};
}

QDateTime imageDateIn(const QJsonObject& version)
{
    return QDateTime::fromString(tagIn(version, "EXIFTags", "ImageDate").toString(),
                                 Qt::ISODateWithMs);
}

// A library version text and whether the version check refuses it.
struct VersionCase {
    const char* name;
    const char* text;
    bool refused;
};

void PrintTo(const VersionCase& version, std::ostream* out)
{
    *out << '"' << version.text << '"';
}

/// Application-modal alerts answered at once and recorded, the system log
/// captured, and a stand-in library started on request. The parameter is
/// the version a version check meets.
class TheSBUtils : public testing::TestWithParam<VersionCase> {
protected:
    void SetUp() override { ModalAlert::setPresenter(&modal); }
    void TearDown() override { ModalAlert::setPresenter(nullptr); }

    /// Makes a sample library with everything selected, then serves it with
    /// the options `serveOptions` gives for the sample's ids (library order).
    bool start(const QStringList& sampleOptions,
               const std::function<QStringList(const QStringList&)>& serveOptions = {})
    {
        const QString library = TestEnvironment::makeScratchDir("library") + "/Sample.aplibrary";
        if (!PeerProcess::makeSample(library, sampleOptions)) {
            ADD_FAILURE() << "photolib sample failed";
            return false;
        }
        int code = -1;
        PeerProcess::run({"select", library, "--all"}, &code);
        if (code != 0) {
            ADD_FAILURE() << "photolib select failed";
            return false;
        }
        ids = PeerProcess::idsIn(PeerProcess::show(library), "selection");
        if (!session.serve(library, serveOptions ? serveOptions(ids) : QStringList())) {
            ADD_FAILURE() << session.problem().toStdString();
            return false;
        }
        return true;
    }
    QJsonObject version(const QString& id) const
    {
        return PeerProcess::versionIn(session.show(), id);
    }
    QStringList issueLines() const { return log.lines().filter(QRegularExpression("^Issue: ")); }

    PeerSession session;
    QStringList ids;
    RecordingAlertPresenter modal;
    SystemLog::Capture log;
    FakeRunDelegate delegate;
};

// Version check ---------------------------------------------------------------

TEST_P(TheSBUtils, versionCheckRefusesEveryMajorVersionButThree)
{
    const QString text = QString::fromUtf8(GetParam().text);
    ASSERT_TRUE(start(kTinySample, [&](const QStringList&) {
        return QStringList{"--version-text", text};
    }));
    SBUtils utils;
    EXPECT_EQ(utils.versionCheck(false), GetParam().refused);
    EXPECT_TRUE(log.contains("Aperture Version " + text));
    const auto alerts = modal.alerts();
    if (!GetParam().refused) {
        EXPECT_TRUE(alerts.empty());
        return;
    }
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "Unsupported Version");
    EXPECT_EQ(alerts[0].informativeText,
              "This version of Tolvane is compatible with Aperture Versions 3.x.y only.");
    EXPECT_EQ(alerts[0].buttons, QStringList{"OK"});
}

// The bus has no absent text: a library without a version answers "".
INSTANTIATE_TEST_SUITE_P(
    Texts, TheSBUtils,
    testing::Values(VersionCase{"three_six", "3.6", false}, VersionCase{"three", "3", false},
                    VersionCase{"four_zero", "4.0", true}, VersionCase{"ten_one", "10.1", true},
                    VersionCase{"thirty_one", "30.1", true}, VersionCase{"empty", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TheSBUtils, libraryNotRunningGivesTheErrorAlertWithTheFailuresNameAndReason)
{
    PrivateBus bus; // nobody owns the library's name on it
    ASSERT_TRUE(bus.isUp());
    const ScriptingError failure = scriptingErrorOf([] { ApertureApplication().version(); });
    ASSERT_FALSE(failure.name().isEmpty());
    SBUtils utils;
    EXPECT_TRUE(utils.versionCheck(false));
    const auto alerts = modal.alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "Error");
    EXPECT_EQ(alerts[0].informativeText,
              "A serious error has occurred in communicating with Aperture.\n" + failure.name() +
                  "\n" + failure.reason());
    EXPECT_TRUE(log.lines().filter("Aperture Version").isEmpty());
}

// Loading ---------------------------------------------------------------------

TEST_F(TheSBUtils, loadDataBuildsListsInSelectionOrderFromTheLibrarysOwnFacts)
{
    ASSERT_TRUE(start(PeerSession::smallSample()));
    // A selection order unlike the library's own.
    QStringList order = ids;
    std::reverse(order.begin(), order.end());
    int code = -1;
    PeerProcess::run(QStringList{"select", session.library()} + order, &code);
    ASSERT_EQ(code, 0);

    SBUtils utils;
    utils.setAppDelegate(&delegate);
    const QList<ApertureImageVersion> selection = utils.getSelection();
    ASSERT_EQ(selection.size(), order.size());
    ASSERT_TRUE(utils.loadData(selection));

    const qsizetype n = selection.size();
    EXPECT_EQ(utils.selectionList(), selection);
    EXPECT_EQ(utils.idList(), order);
    ASSERT_EQ(utils.filenameList().size(), n);
    ASSERT_EQ(utils.sizeList().size(), n);
    ASSERT_EQ(utils.dimsList().size(), n);
    ASSERT_EQ(utils.dateList().size(), n);
    ASSERT_EQ(utils.heights().size(), n);
    EXPECT_EQ(utils.hashList(), QStringList(n, QString("")));
    for (qsizetype i = 0; i < n; ++i) {
        SCOPED_TRACE(order[i].toStdString());
        const QJsonObject expected = version(order[i]);
        const QString fileName = tagIn(expected, "otherTags", "FileName").toString();
        EXPECT_EQ(fileName,
                  QFileInfo(expected.value("masterFiles")[0]["path"].toString()).fileName());
        EXPECT_EQ(utils.filenameList()[i], fileName);
        EXPECT_EQ(utils.sizeList()[i], tagIn(expected, "otherTags", "FileSize").toInteger());
        EXPECT_GT(utils.sizeList()[i], 0);
        EXPECT_EQ(utils.dateList()[i], imageDateIn(expected));
        const int width = expected.value("width").toInt();
        const int height = expected.value("height").toInt();
        EXPECT_EQ(utils.heights()[i], height);
        EXPECT_FLOAT_EQ(utils.dimsList()[i], static_cast<float>(double(width) / height));
    }

    EXPECT_EQ(delegate.progressMaxValues(), std::vector<double>{7});
    EXPECT_EQ(delegate.progressValues(), (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7}));
    const QStringList phases = {"initializing",
                                "Gathering data from Aperture",
                                "Building dimsList",
                                "Gathering EXIFTags",
                                "Building EXIF Data Lists",
                                "Gathering otherTags",
                                "Building otherTags Lists",
                                "Found 0 images with issues"};
    QStringList logged = log.lines();
    logged.removeIf([&](const QString& line) { return !phases.contains(line); });
    EXPECT_EQ(logged, phases);
    EXPECT_TRUE(issueLines().isEmpty());
    EXPECT_TRUE(modal.alerts().empty());
}

TEST_F(TheSBUtils, badDataOfOneImageGetsDefaultsAndAnIssueWhileTheListsStayAligned)
{
    // Image 0 has no metadata, image 4 a date that is text; the library
    // answers height 0 for image 1, no "FileSize" for image 2 and short tag
    // value lists for image 3.
    ASSERT_TRUE(start({"--seed", "5", "--count", "5", "--pairs", "0", "--albums", "0",
                       "--max-megapixels", "0.02", "--bare", "1", "--text-dates", "1"},
                      [](const QStringList& ids) {
                          return QStringList{"--zero-height",     ids[1], "--no-file-size", ids[2],
                                             "--mismatched-tags", ids[3]};
                      }));
    ASSERT_EQ(ids.size(), 5);
    ASSERT_TRUE(version(ids[0]).value("EXIFTags").toArray().isEmpty());
    ASSERT_EQ(tagIn(version(ids[4]), "EXIFTags", "ImageDate").toString(), "0000:00:00 00:00:00");

    SBUtils utils;
    const QList<ApertureImageVersion> selection = utils.getSelection();
    const QDateTime before = QDateTime::currentDateTimeUtc();
    ASSERT_TRUE(utils.loadData(selection));
    const QDateTime after = QDateTime::currentDateTimeUtc();
    const auto isLoadingMoment = [&](const QDateTime& date) {
        return date.isValid() && date >= before && date <= after;
    };

    for (const auto size :
         {utils.idList().size(), utils.filenameList().size(), utils.sizeList().size(),
          utils.dimsList().size(), utils.dateList().size(), utils.hashList().size(),
          utils.heights().size()})
        EXPECT_EQ(size, 5);
    EXPECT_EQ(utils.idList(), ids);

    // No metadata: the loading moment; name and size as usual.
    EXPECT_TRUE(isLoadingMoment(utils.dateList()[0]))
        << utils.dateList()[0].toString(Qt::ISODateWithMs).toStdString();
    EXPECT_EQ(utils.filenameList()[0], tagIn(version(ids[0]), "otherTags", "FileName").toString());
    EXPECT_GT(utils.sizeList()[0], 0);
    // Height 0: ratio 0, the rest as usual.
    EXPECT_EQ(utils.dimsList()[1], 0.0f);
    EXPECT_EQ(utils.heights()[1], 0);
    EXPECT_EQ(utils.dateList()[1], imageDateIn(version(ids[1])));
    // No "FileSize": size 0, the name still there.
    EXPECT_EQ(utils.sizeList()[2], 0);
    EXPECT_EQ(utils.filenameList()[2], tagIn(version(ids[2]), "otherTags", "FileName").toString());
    EXPECT_FALSE(utils.filenameList()[2].isEmpty());
    // Tag lists that do not fit: no date, name or size taken from them.
    EXPECT_TRUE(isLoadingMoment(utils.dateList()[3]))
        << utils.dateList()[3].toString(Qt::ISODateWithMs).toStdString();
    EXPECT_EQ(utils.filenameList()[3], "");
    EXPECT_EQ(utils.sizeList()[3], 0);
    EXPECT_GT(utils.dimsList()[3], 0.0f);
    // A date that is text: the loading moment.
    EXPECT_TRUE(isLoadingMoment(utils.dateList()[4]))
        << utils.dateList()[4].toString(Qt::ISODateWithMs).toStdString();
    EXPECT_GT(utils.sizeList()[4], 0);

    // Issues in the order first logged (dimensions come before EXIF); none
    // for the missing size.
    EXPECT_EQ(utils.imagesWithIssues(), (QList<ApertureImageVersion>{selection[1], selection[0],
                                                                     selection[3], selection[4]}));
    EXPECT_EQ(utils.issueDescriptors(),
              (QList<QStringList>{{"Height = 0"},
                                  {"Bad EXIF data"},
                                  {"Bad EXIF data", "Bad Other Tags Data"},
                                  {"Bad Date in EXIF data"}}));
    EXPECT_EQ(issueLines().size(), 4);
    // Two issues of one image share its one line.
    const QStringList third = issueLines().filter(selection[3].reference() + "\n");
    ASSERT_EQ(third.size(), 1);
    EXPECT_TRUE(third[0].contains("Bad EXIF data") && third[0].contains("Bad Other Tags Data"))
        << third[0].toStdString();
    EXPECT_TRUE(log.contains("Found 4 images with issues"));
}

TEST_F(TheSBUtils, inconsistentTagListsGiveTheErrorAlertAndFalseWithTheListsBuiltSoFar)
{
    ASSERT_TRUE(start(PeerSession::smallSample(),
                      [](const QStringList&) { return QStringList{"--inconsistent-tag-lists"}; }));
    SBUtils utils;
    utils.setAppDelegate(&delegate);
    const QList<ApertureImageVersion> selection = utils.getSelection();
    ASSERT_EQ(selection.size(), 4);
    EXPECT_FALSE(utils.loadData(selection));

    const auto alerts = modal.alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "ERROR");
    EXPECT_EQ(alerts[0].informativeText, "A problem was encountered when communication with "
                                         "Aperture.  If the problem persists please contact " +
                                             SBUtils::supportAddress());
    EXPECT_TRUE(SBUtils::supportAddress().contains('@'));
    // What came before the EXIF tags is there; nothing after it.
    EXPECT_EQ(utils.idList(), ids);
    EXPECT_EQ(utils.heights().size(), 4);
    EXPECT_EQ(utils.dimsList().size(), 4);
    EXPECT_TRUE(utils.dateList().isEmpty());
    EXPECT_TRUE(utils.filenameList().isEmpty());
    EXPECT_TRUE(utils.sizeList().isEmpty());
    EXPECT_EQ(delegate.progressValues(), (std::vector<double>{0, 1, 2}));
    // The issue log is not reported.
    EXPECT_TRUE(log.lines().filter("images with issues").isEmpty());
}

TEST_F(TheSBUtils, emptySelectionLoadsEmptyListsAndReportsNoIssues)
{
    ASSERT_TRUE(start(kTinySample));
    int code = -1;
    PeerProcess::run({"select", session.library(), "--none"}, &code);
    ASSERT_EQ(code, 0);
    SBUtils utils;
    const QList<ApertureImageVersion> selection = utils.getSelection();
    EXPECT_TRUE(selection.isEmpty());
    EXPECT_TRUE(utils.loadData(selection));
    EXPECT_TRUE(utils.idList().isEmpty());
    EXPECT_TRUE(utils.filenameList().isEmpty());
    EXPECT_TRUE(utils.sizeList().isEmpty());
    EXPECT_TRUE(utils.dimsList().isEmpty());
    EXPECT_TRUE(utils.dateList().isEmpty());
    EXPECT_TRUE(utils.hashList().isEmpty());
    EXPECT_TRUE(issueLines().isEmpty());
    EXPECT_EQ(log.count("Found 0 images with issues"), 1);
    EXPECT_TRUE(modal.alerts().empty());
}

TEST_F(TheSBUtils, loadingOneImageCostsAsManyCallsAsLoadingThreeHundred)
{
    ASSERT_TRUE(start({"--seed", "11", "--count", "300", "--pairs", "0", "--albums", "0",
                       "--max-megapixels", "0.01"}));
    SBUtils utils;
    const QList<ApertureImageVersion> all = utils.getSelection();
    ASSERT_EQ(all.size(), 300);

    const quint64 beforeOne = callCount(utils);
    ASSERT_TRUE(utils.loadData({all.first()}));
    const quint64 forOne = callCount(utils) - beforeOne;
    const quint64 beforeAll = callCount(utils);
    ASSERT_TRUE(utils.loadData(all));
    const quint64 forAll = callCount(utils) - beforeAll;

    EXPECT_EQ(forAll, forOne);
    // One read on the selection, then one per tag kind.
    EXPECT_EQ(forOne, 3u);
    EXPECT_EQ(utils.filenameList().size(), 300);
    EXPECT_EQ(utils.filenameList().last(),
              tagIn(version(ids.last()), "otherTags", "FileName").toString());
}

} // namespace
