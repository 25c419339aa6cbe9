#include "RunFixture.h"

#include "PythonCsv.h"
#include "TestEnvironment.h"
#include "TolvaneAperture.h"
#include "core/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <cmath>

namespace {

class Estimate : public RunFixture {
protected:
    struct Figures {
        qint64 originals = 0;
        qint64 converted = 0;
        qint64 savings() const { return originals - converted; }
    };
    Figures estimate(qint64 sampleSize)
    {
        TolvaneAperture engine;
        engine.tolvaneEstimate(&delegate, sampleSize);
        reportPath = engine.reportPath();
        return {engine.originalSize(), engine.convertedSize()};
    }
    Figures convert()
    {
        TolvaneAperture engine;
        engine.tolvaneScan(&delegate);
        return {engine.originalSize(), engine.convertedSize()};
    }
    /// The library as `photolib show` gives it, without the record of
    /// calls served, which any question to the library changes.
    QJsonObject state() const
    {
        QJsonObject shown = library();
        shown.remove("calls");
        return shown;
    }
    QStringList outcomes() const
    {
        QStringList found;
        for (const QStringList& row : PythonCsv::read(reportPath).imageRows())
            found.append(row.value(5));
        return found;
    }

    QString reportPath;
};

TEST_F(Estimate, changesNothingInTheLibraryAndGivesTheFiguresOfTheRunThatFollows)
{
    ASSERT_TRUE(startLibrary());
    // Every switch that makes a run change the library or the chosen folder.
    const QString chosen = TestEnvironment::makeScratchDir("chosen");
    delegate.referenced = true;
    delegate.folder = QUrl::fromLocalFile(chosen);
    delegate.trash = true;
    delegate.option = 0;
    const QJsonObject before = state();

    const Figures estimated = estimate(0);
    EXPECT_EQ(state(), before);
    EXPECT_EQ(workFolderEntries(), QStringList());
    EXPECT_EQ(QDir(chosen).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    ASSERT_FALSE(delegate.sheets().empty());
    EXPECT_EQ(delegate.sheets().back().title, "Estimate");
    EXPECT_TRUE(delegate.sheets().back().message.startsWith(
        QString("Estimated from all %1 images to convert.").arg(m_original.size())));
    EXPECT_EQ(outcomes(), QStringList(m_original.size(), "estimated"));
    expectWindowGivenBack();

    delegate.referenced = false;
    const Figures converted = convert();
    EXPECT_EQ(newVersions().size(), m_original.size());
    EXPECT_EQ(estimated.originals, converted.originals);
    EXPECT_EQ(estimated.converted, converted.converted);
}

TEST_F(Estimate, aTenthOfTheSelectionLandsWithinThreePerCentOfTheRunsSavings)
{
    // The main job's sample library, smaller images.
    ASSERT_TRUE(startLibrary({}, {"--seed", "2026", "--count", "10", "--max-megapixels", "2",
                                  "--projects", "2", "--albums", "2"}));
    delegate.scale = 1.0f;
    const Figures estimated = estimate(1);
    EXPECT_TRUE(delegate.sheets().back().message.startsWith(
        "Estimated from an evenly spread sample of 1 of the 10 images to convert"));
    const QStringList rows = outcomes();
    EXPECT_EQ(rows.count("estimated"), 1);
    EXPECT_EQ(rows.count("not sampled"), 9);
    const Figures converted = convert();
    // Every master's bytes are known, so the originals figure is exact.
    EXPECT_EQ(estimated.originals, converted.originals);
    const double error = std::abs(static_cast<double>(estimated.savings() - converted.savings())) /
                         static_cast<double>(converted.savings());
    EXPECT_LT(error, 0.03) << estimated.savings() << " against " << converted.savings();
}

TEST_F(Estimate, separatingPairsHasNoEstimateAndIsLeftAlone)
{
    ASSERT_TRUE(startLibrary());
    delegate.option = 2;
    const QJsonObject before = state();
    estimate(0);
    EXPECT_EQ(state(), before);
    ASSERT_EQ(delegate.sheets().size(), 1u);
    EXPECT_EQ(delegate.sheets()[0].title, "Unable To Process");
    EXPECT_TRUE(delegate.sheets()[0].message.contains("frees no space"));
}

TEST_F(Estimate, theTerminalPrintsTheFiguresAndWhereTheReportIs)
{
    ASSERT_TRUE(startLibrary());
    const QString config = TestEnvironment::makeScratchDir("config");
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config);
    cli.setProcessEnvironment(env);
    cli.start(TOLVANE_TEST_BUNDLE_DIR "/Contents/MacOS/tolvane-cli",
              {"--estimate", "--sample", "2"});
    ASSERT_TRUE(cli.waitForFinished(120000));
    const QString output = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_EQ(cli.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("Estimated from an evenly spread sample of 2 of the"));
    EXPECT_TRUE(output.contains("Savings: "));
    const qsizetype at = output.lastIndexOf("Report: ");
    ASSERT_GE(at, 0) << output.toStdString();
    const QString path = output.mid(at + 8).trimmed();
    EXPECT_TRUE(path.endsWith("-estimate.csv"));
    const PythonCsv report = PythonCsv::read(path);
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(report.imageRows().size(), m_original.size());
    EXPECT_EQ(report.settings().value("Sample"), "2");
}

} // namespace
