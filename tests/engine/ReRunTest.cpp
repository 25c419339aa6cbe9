// A second run over a selection already converted, with the run journal
// on, turned off, or damaged.
#include "LibraryInvariant.h"
#include "RunFixture.h"

#include "QtPrinters.h"
#include "RunJournal.h"
#include "RunRules.h"
#include "TolvaneAperture.h"
#include "core/UserDefaults.h"

#include <QDir>
#include <QFile>

namespace {

class ReRun : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        ASSERT_TRUE(startLibrary());
        m_before = library();
        delegate.option = 0;
    }
    void run()
    {
        TolvaneAperture engine;
        engine.tolvaneScan(&delegate);
    }
    void reselectOriginals() const
    {
        photolib(QStringList{"select", m_session->library()} + m_original);
    }
    int skippedLines() const
    {
        int skipped = 0;
        for (const QString& line : log.lines())
            skipped += line.contains(QStringLiteral(" already converted into ")) ? 1 : 0;
        return skipped;
    }
    int newImageCount() const { return int(newVersions().size()); }
    QString lastMessage() const
    {
        return delegate.sheets().empty() ? QString() : delegate.sheets().back().message;
    }

    QJsonObject m_before;
};

TEST_F(ReRun, changesNothingOverAConvertedSelectionAndSaysSoOncePerImage)
{
    run();
    const int converted = LibraryInvariant(m_before, m_original, {}).replaced(library());
    ASSERT_GT(converted, 0);
    reselectOriginals();
    const QJsonObject once = library();
    log.clear();

    run();

    EXPECT_EQ(library().value("versions"), once.value("versions"));
    EXPECT_EQ(skippedLines(), converted);
    // Neither figure counts a skipped image.
    EXPECT_EQ(lastMessage().toStdString(), RunRules::statisticsMessage(0, 0).toStdString());
}

TEST_F(ReRun, convertsAgainWhenTheSwitchIsOff)
{
    run();
    const int afterFirst = newImageCount();
    ASSERT_GT(afterFirst, 0);
    reselectOriginals();
    UserDefaults::standard().setValue(false, QStringLiteral("SkipConvertedImages"));

    run();

    EXPECT_EQ(newImageCount(), 2 * afterFirst);
    for (const QString& line : log.lines())
        EXPECT_FALSE(line.contains(QStringLiteral("already converted"))) << line.toStdString();
}

TEST_F(ReRun, setsADamagedJournalAsideAndGoesOn)
{
    const QString path = RunJournal::defaultPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(8192, '\x5a'));
    damaged.close();

    run();

    EXPECT_GT(LibraryInvariant(m_before, m_original, {}).replaced(library()), 0);
    ASSERT_FALSE(delegate.sheets().empty());
    EXPECT_EQ(delegate.sheets().back().title, "All Done");
    const QStringList aside = QDir(QFileInfo(path).absolutePath())
                                  .entryList({QStringLiteral("journal.sqlite.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(QFileInfo(path).absolutePath() + QLatin1Char('/') + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray(8192, '\x5a'));
    // The fresh journal took the run in: a second run skips what it did.
    reselectOriginals();
    log.clear();
    run();
    EXPECT_GT(skippedLines(), 0);
}

} // namespace
