#include "RunFixture.h"

#include "PythonCsv.h"
#include "RunReport.h"
#include "RunRules.h"
#include "SampleImages.h"
#include "TestEnvironment.h"
#include "TolvaneAperture.h"
#include "TolvaneSettings.h"
#include "core/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <vips/vips8>

namespace {

// Columns of the image table.
enum Column { Name, VersionId, MasterBytes, JpegBytes, NewVersionIds, Outcome };

class RunReports : public RunFixture {
protected:
    /// Six sample images, so that each outcome has one of its own.
    bool startSixImages()
    {
        QStringList options = PeerSession::smallSample();
        options[options.indexOf("--count") + 1] = "6";
        options[options.indexOf("--pairs") + 1] = "0";
        return startLibrary({}, options);
    }
    /// Imports a flat grey PNG: deflate makes it a few kilobytes, while a
    /// JPEG spends bits on every block; at full size and quality it is larger.
    QString importFlatPng()
    {
        const QString path = TestEnvironment::makeScratchDir("png") + "/Flat.png";
        const vips::VImage grey =
            vips::VImage::black(640, 480, vips::VImage::option()->set("bands", 3)) + 0.5;
        EXPECT_TRUE(SampleImages::writePng(path, grey, 8));
        const QStringList before = idsOfLibrary();
        photolib({"import", m_session->library(), path, "--project", "Scans"});
        for (const QString& id : idsOfLibrary())
            if (!before.contains(id))
                return id;
        ADD_FAILURE() << "the PNG made no image";
        return {};
    }
    QStringList idsOfLibrary() const
    {
        QStringList ids;
        for (const QJsonValue& version : library().value("versions").toArray())
            ids.append(version.toObject().value("id").toString());
        return ids;
    }
    void select(const QStringList& ids)
    {
        photolib(QStringList{"select", m_session->library()} + ids);
        m_original = selection();
    }
    void serveWith(const QStringList& options)
    {
        m_session->peer().stop();
        ASSERT_TRUE(m_session->serve(m_session->library(), options));
    }
    /// Runs a conversion; the report it wrote, read back by an outside reader.
    PythonCsv runAndReadReport()
    {
        TolvaneAperture engine;
        engine.tolvaneScan(&delegate);
        originalSize = engine.originalSize();
        convertedSize = engine.convertedSize();
        reportPath = engine.reportPath();
        EXPECT_FALSE(reportPath.isEmpty());
        PythonCsv report = PythonCsv::read(reportPath);
        EXPECT_TRUE(report.ok) << report.error.toStdString();
        return report;
    }
    static QMap<QString, QStringList> rowsById(const PythonCsv& report)
    {
        QMap<QString, QStringList> rows;
        for (const QStringList& row : report.imageRows())
            rows.insert(row.value(VersionId), row);
        return rows;
    }
    qint64 masterBytesOf(const QString& id) const
    {
        return tagValue(version(id), "otherTags", "FileSize").toLongLong();
    }
    bool untouched(const QString& id) const
    {
        const QJsonObject original = version(id);
        return original.value("mainRating").toInt() != -1 &&
               !keywordNames(original).contains("Tolvane Original");
    }

    qint64 originalSize = 0;
    qint64 convertedSize = 0;
    QString reportPath;
};

TEST_F(RunReports, listEveryImageWithWhatBecameOfItAndTheFiguresCountOnlyReplacedImages)
{
    ASSERT_TRUE(startSixImages());
    const QStringList sample = m_original;
    const QString converted = sample[0];
    const QString offline = sample[1];
    const QString unsupported = sample[2];
    const QString failed = sample[3];
    const QString earlier = sample[4];
    const QString grows = importFlatPng();
    ASSERT_FALSE(grows.isEmpty());
    delegate.scale = 1.0f;
    delegate.quality = 1.0;

    // One image converted by an earlier run.
    select({earlier});
    const QStringList beforeEarlier = idsOfLibrary();
    runAndReadReport();
    const QStringList afterEarlier = idsOfLibrary();
    ASSERT_EQ(afterEarlier.size(), beforeEarlier.size() + 1);
    const QString earlierNewId = afterEarlier.last();
    ASSERT_FALSE(beforeEarlier.contains(earlierNewId));

    serveWith({"--zero-height", unsupported, "--fail-export", failed});
    ASSERT_TRUE(QFile::remove(
        version(offline).value("masterFiles").toArray().at(0).toObject().value("path").toString()));
    const QStringList chosen = {converted, offline, unsupported, failed, earlier, grows};
    select(chosen);
    const QStringList libraryBefore = idsOfLibrary();
    const PythonCsv report = runAndReadReport();

    const QList<QStringList> rows = report.imageRows();
    ASSERT_EQ(rows.size(), chosen.size());
    for (qsizetype i = 0; i < chosen.size(); ++i)
        EXPECT_EQ(rows[i].value(VersionId), chosen[i]) << "rows follow the selection";
    QMap<QString, QStringList> byId = rowsById(report);
    EXPECT_EQ(byId[converted].value(Outcome), "converted");
    EXPECT_EQ(byId[offline].value(Outcome), "skipped: offline");
    EXPECT_EQ(byId[unsupported].value(Outcome), "skipped: unsupported");
    EXPECT_EQ(byId[failed].value(Outcome), "failed: the export made no file");
    EXPECT_EQ(byId[earlier].value(Outcome), "skipped: already converted");
    EXPECT_EQ(byId[earlier].value(NewVersionIds), earlierNewId);
    EXPECT_EQ(byId[grows].value(Outcome), "skipped: not smaller");
    EXPECT_GE(byId[grows].value(JpegBytes).toLongLong(), masterBytesOf(grows));
    EXPECT_EQ(byId[grows].value(Name), "Flat.png");

    // The one converted image: its new version, its bytes, and nothing else.
    QStringList made;
    for (const QString& id : idsOfLibrary())
        if (!libraryBefore.contains(id))
            made.append(id);
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(byId[converted].value(NewVersionIds), made.first());
    EXPECT_EQ(byId[converted].value(MasterBytes).toLongLong(), masterBytesOf(converted));
    EXPECT_EQ(byId[converted].value(JpegBytes).toLongLong(), masterBytesOf(made.first()));
    EXPECT_EQ(originalSize, masterBytesOf(converted));
    EXPECT_EQ(convertedSize, masterBytesOf(made.first()));
    EXPECT_TRUE(untouched(grows));
    EXPECT_EQ(log.lines().filter("is not smaller than its master").size(), 1);

    const QMap<QString, QString> totals = report.totals();
    EXPECT_EQ(totals.value("Selected images"), "6");
    EXPECT_EQ(totals.value("Images converted"), "1");
    EXPECT_EQ(totals.value("Images failed"), "1");
    EXPECT_EQ(totals.value("Originals (MB)"), RunRules::megabytes(originalSize));
    EXPECT_EQ(totals.value("Converted (MB)"), RunRules::megabytes(convertedSize));
    EXPECT_EQ(report.settings().value("Report"), "run");
    EXPECT_EQ(report.settings().value("Only smaller files"), "on");
    EXPECT_EQ(QFileInfo(reportPath).absolutePath(), RunReport::defaultFolder());
}

TEST_F(RunReports, aJpegLargerThanItsMasterReplacesItWhenTheSwitchIsOff)
{
    ASSERT_TRUE(startLibrary());
    const QString grows = importFlatPng();
    select({grows});
    delegate.scale = 1.0f;
    delegate.quality = 1.0;
    UserDefaults::standard().setValue(false, TolvaneSettings::OnlySmallerFiles);
    const PythonCsv report = runAndReadReport();
    ASSERT_EQ(report.imageRows().size(), 1);
    EXPECT_EQ(report.imageRows()[0].value(Outcome), "converted");
    EXPECT_FALSE(untouched(grows));
    EXPECT_GT(convertedSize, originalSize);
    EXPECT_EQ(report.settings().value("Only smaller files"), "off");
}

TEST_F(RunReports, aRunThatEndsEarlyLeavesAWholeReportSayingWhereItStopped)
{
    ASSERT_TRUE(startLibrary());
    serveWith({"--fail-call", "Import:2"});
    const PythonCsv report = runAndReadReport();
    const QList<QStringList> rows = report.imageRows();
    ASSERT_EQ(rows.size(), m_original.size());
    EXPECT_EQ(rows[0].value(Outcome), "converted");
    EXPECT_TRUE(rows[1].value(Outcome).startsWith("failed: "))
        << rows[1].value(Outcome).toStdString();
    for (qsizetype i = 2; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].value(Outcome), "not reached");
    EXPECT_EQ(delegate.sheets().back().title, "Unable To Process");
    // Only the report itself: no temporary file beside it.
    EXPECT_EQ(QDir(RunReport::defaultFolder()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QFileInfo(reportPath).fileName()});
}

TEST_F(RunReports, fieldsASpreadsheetReadsBackAsTextAndNoNameRunsAsAFormula)
{
    RunReport report(RunReport::Kind::Run, QDateTime(QDate(2026, 12, 6), QTime(15, 42, 7)));
    const QStringList names = {"Comma, in the name.dng",
                               "A \"quoted\" name.dng",
                               "Two\nlines.dng",
                               "Ærø øst.dng",
                               "=HYPERLINK(\"x\").dng",
                               "+1.dng",
                               "@SUM.dng",
                               "-2.dng"};
    QList<RunReport::Row> rows;
    for (const QString& name : names) {
        RunReport::Row row;
        row.name = name;
        row.versionId = "v";
        row.masterBytes = 10;
        row.outcome = RunReport::failed("a reason, with \"quotes\"");
        rows.append(row);
    }
    report.setImages(rows);
    report.addSetting("Parent keywords", "A,B");
    const QString folder = TestEnvironment::makeScratchDir("reports");
    QString error;
    const QString path = report.write(folder, &error);
    ASSERT_FALSE(path.isEmpty()) << error.toStdString();
    EXPECT_EQ(QFileInfo(path).fileName(), "2026-12-06-154207-run.csv");

    const PythonCsv read = PythonCsv::read(path);
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    ASSERT_EQ(read.imageRows().size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString expected =
            QString("=+@-").contains(names[i].front()) ? QLatin1Char('\'') + names[i] : names[i];
        EXPECT_EQ(read.imageRows()[i].value(Name), expected);
        EXPECT_EQ(read.imageRows()[i].value(Outcome), "failed: a reason, with \"quotes\"");
    }
    EXPECT_EQ(read.totals().value("Images failed"), QString::number(names.size()));
    EXPECT_EQ(read.settings().value("Parent keywords"), "A,B");

    // A second report of the same second gets a name of its own.
    const QString second = report.write(folder, &error);
    EXPECT_EQ(QFileInfo(second).fileName(), "2026-12-06-154207-run-2.csv");
}

TEST_F(RunReports, aReportThatCannotBeWrittenLeavesNothingAndSaysWhy)
{
    const QString blocker = TestEnvironment::makeScratchDir("blocked") + "/reports";
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QString error;
    EXPECT_TRUE(RunReport(RunReport::Kind::Run).write(blocker, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QFileInfo(blocker).size(), 0);
}

} // namespace
