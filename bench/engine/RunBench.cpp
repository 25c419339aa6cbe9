// Conversion run benchmark: converts a sample library of 24 MP DNG images at
// scale 0.5 through the TIFF export setting, against the stand-in library
// application on a private bus, and reports per image where the time goes:
// waiting on the library (export, import, metadata and album calls) against
// Tolvane's own work (rendering), the process's CPU time, and the number of
// bus calls the library answered per image.
//
//   run_bench [--count N] [--megapixels MP] [--no-albums] [--no-metadata]

#include "FakeRunDelegate.h"
#include "PeerProcess.h"
#include "PeerSession.h"
#include "TestEnvironment.h"
#include "TolvaneAperture.h"
#include "core/Bundle.h"
#include "core/PropertyList.h"
#include "core/UserDefaults.h"
#include "imageio/ImageIO.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>

#include <cstdio>
#include <sys/resource.h>

namespace {

// Times the phases of each image from the status texts the run shows: each
// text starts a phase, which lasts until the next one.
class PhaseClock {
public:
    void start() { m_clock.start(); }
    void enter(const QString& phase)
    {
        const qint64 now = m_clock.nsecsElapsed();
        if (!m_phase.isEmpty())
            m_spent[m_phase] += now - m_since;
        m_phase = phase;
        m_since = now;
    }
    qint64 elapsed() const { return m_clock.nsecsElapsed(); }
    qint64 spent(const QString& phase) const { return m_spent.value(phase); }

private:
    QElapsedTimer m_clock;
    QString m_phase;
    qint64 m_since = 0;
    QHash<QString, qint64> m_spent;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 callsAnswered()
{
    return QString::fromUtf8(PeerProcess::run({"calls"})).trimmed().toLongLong();
}

} // namespace

int main(int argc, char** argv)
{
    TestEnvironment::setUp();
    QCoreApplication app(argc, argv);
    ImageIO::initialize();
    int count = 6;
    QString megapixels = QStringLiteral("24");
    bool albums = true;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "--count" && i + 1 < args.size())
            count = args[++i].toInt();
        else if (args[i] == "--megapixels" && i + 1 < args.size())
            megapixels = args[++i];
        else if (args[i] == "--no-albums")
            albums = false;
    }

    auto store = std::make_shared<UserDefaults>(QString());
    store->registerDefaults(
        *PropertyList::readDictionaryFile(Bundle::main().pathForResource("UserDefaults", "plist")));
    UserDefaults::setStandard(store);

    std::printf("Generating %d images of up to %s MP...\n", count, qPrintable(megapixels));
    PeerSession session;
    if (!session.start({"--seed", "11", "--count", QString::number(count), "--max-megapixels",
                        megapixels, "--projects", "2", "--albums", "2"})) {
        std::fprintf(stderr, "run_bench: %s\n", qPrintable(session.problem()));
        return 1;
    }
    PeerProcess::run({"select", session.library(), "--all"});

    FakeRunDelegate delegate;
    delegate.album = albums;
    delegate.option = 0; // TIFF export
    PhaseClock clock;
    delegate.onStatusText = [&](const QString& text) {
        clock.enter(text);
    };
    delegate.onAlert = [](const QString& message, const QString& title) {
        std::printf("alert: %s\n%s\n\n", qPrintable(title), qPrintable(message));
    };
    const qint64 callsBefore = callsAnswered();
    const double cpuBefore = cpuSeconds();
    clock.start();
    {
        TolvaneAperture engine;
        engine.tolvaneScan(&delegate);
    }
    clock.enter(QStringLiteral("(end)"));
    const double wall = clock.elapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    // The calls query itself is one more answered call.
    const qint64 calls = callsAnswered() - callsBefore - 1;

    const auto seconds = [&](const char* phase) {
        return clock.spent(QString::fromLatin1(phase)) / 1e9 / count;
    };
    const double rendering = seconds("Converting");
    const double exportAndChecks = seconds("Processing");
    const double writeAndImport = seconds("Importing");
    const double metadata = seconds("Propagating Metadata");
    const double albumsAndOriginal = seconds("Populating Albums");
    const double loading =
        (clock.spent("Loading Data") + clock.spent("Loading Album Data")) / 1e9 / count;
    std::printf("\nPer image (%d images, scale 0.5, TIFF export, quality 0.8):\n", count);
    std::printf("  waiting on the library:\n");
    std::printf("    export and checks            %.3f s\n", exportAndChecks);
    std::printf("    JPEG write and import        %.3f s\n", writeAndImport);
    std::printf("    metadata                     %.3f s\n", metadata);
    std::printf("    albums, tagging, hiding      %.3f s\n", albumsAndOriginal);
    std::printf("  Tolvane's own work:\n");
    std::printf("    rendering                    %.3f s\n", rendering);
    std::printf("    loading (run start, shared)  %.3f s\n", loading);
    std::printf("  bus calls answered            %.1f (target at most 40)\n",
                static_cast<double>(calls) / count);
    std::printf("Whole run: %.2f s wall, %.2f s CPU in Tolvane's process\n", wall, cpu);
    std::printf("Compare the rendering figure with render_bench's (b), scale 0.5: target "
                "within 1.2x.\n");
    return 0;
}
