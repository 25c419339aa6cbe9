// What the run journal costs: the writes one converted image makes, and the
// queries a run's repair and re-run check make over a journal of 10,000
// entries. Run by hand: build/dev/bench/engine/journal_bench [ENTRIES]
//
// The library's own work (the calls that repair then sends) is not in these
// figures; run_bench gives the time per image of a whole run to set them
// against.

#include "RunJournal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

const QString kLibrary = QStringLiteral("Bench");

RunJournal::Image imageNumber(int i)
{
    RunJournal::Image image;
    image.originalId = QStringLiteral("original-%1").arg(i);
    image.originalReference = QStringLiteral("/version/original-%1").arg(i);
    image.name = QStringLiteral("IMG_%1.DNG").arg(i, 5, 10, QLatin1Char('0'));
    image.project = QStringLiteral("/project/1");
    image.settings.hide = true;
    image.settings.tag = true;
    image.settings.originalsKeyword = QStringLiteral("Tolvane Original");
    return image;
}

// The journal writes of one converted image, in the order a run makes them.
void journalOneImage(RunJournal& journal, const QString& run, int i, RunJournal::Step last)
{
    const qint64 row = journal.beginImage(run, kLibrary, imageNumber(i));
    journal.setStep(row, RunJournal::Written);
    journal.setJpeg(row, QStringLiteral("/tmp/w/IMG_%1.jpg").arg(i), 4'000'000,
                    QStringLiteral("/project/1"));
    journal.addNewImage(row, QStringLiteral("/version/new-%1").arg(i));
    journal.setStep(row, RunJournal::Imported);
    journal.setStep(row, RunJournal::Complete);
    if (last == RunJournal::Done)
        journal.setStep(row, RunJournal::Done);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 10'000;
    QTemporaryDir folder;
    RunJournal journal(folder.filePath(QStringLiteral("journal.sqlite")));
    if (!journal.isOpen()) {
        std::fprintf(stderr, "journal_bench: the journal does not open\n");
        return 1;
    }

    // Writes per converted image.
    const QString run = QStringLiteral("bench-run");
    journal.beginRun(run, kLibrary, folder.path());
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < entries; ++i)
        journalOneImage(journal, run, i, i % 2 ? RunJournal::Done : RunJournal::Complete);
    const double perImageMs = double(timer.nsecsElapsed()) / 1e6 / entries;
    std::printf("journal writes per image: %.3f ms (%d images, 7 transactions each)\n", perImageMs,
                entries);

    // What the next run asks before its first image.
    timer.restart();
    const QList<RunJournal::Image> unsettled =
        journal.unsettledImages(kLibrary, QStringLiteral("next"));
    const double unsettledMs = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    const QList<RunJournal::Run> dead = journal.settledDeadRuns(kLibrary, QStringLiteral("next"));
    const double deadMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("repair queries over %d entries: unsettled images %.1f ms (%lld found), "
                "settled dead runs %.1f ms (%lld found)\n",
                entries, unsettledMs, static_cast<long long>(unsettled.size()), deadMs,
                static_cast<long long>(dead.size()));

    // The re-run check, once per selected image.
    timer.restart();
    int converted = 0;
    for (int i = 0; i < entries; ++i)
        converted += journal.convertedInto(kLibrary, QStringLiteral("original-%1").arg(i)) ? 1 : 0;
    std::printf("re-run check: %.3f ms per image (%d of %d converted)\n",
                double(timer.nsecsElapsed()) / 1e6 / entries, converted, entries);
    return 0;
}
