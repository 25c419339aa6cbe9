// Conversion run benchmark: converts a sample library of 24 MP DNG images at
// scale 0.5 through the TIFF export setting, against the stand-in library
// application on a private bus, and reports per image where the time goes:
// waiting on the library (export, import, metadata and album calls) against
// Tolvane's own work (rendering), the process's CPU time, and the number of
// bus calls the library answered per image.
//
//   run_bench [--count N] [--megapixels MP] [--no-albums] [--no-metadata]

#include "PeerProcess.h"
#include "PeerSession.h"
#include "RunDelegate.h"
#include "TestEnvironment.h"
#include "TolvaneAperture.h"
#include "core/Bundle.h"
#include "core/PropertyList.h"
#include "core/UserDefaults.h"
#include "imageio/ImageIO.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>

#include <cstdio>
#include <sys/resource.h>

namespace {

// Times the phases of each image from the status texts the run shows.
class TimingDelegate : public RunDelegate {
public:
    bool tagEnabled() const override { return true; }
    bool trashEnabled() const override { return false; }
    bool hideEnabled() const override { return true; }
    bool albumEnabled() const override { return albums; }
    bool externallyReferenced() const override { return false; }
    QUrl referencedFolder() const override { return {}; }
    float scaleFactor() const override { return 0.5f; }
    QVariant compressionFactor() const override { return 0.8; }
    bool fixedSize() const override { return false; }
    QVariant shortSize() const override { return 0; }
    QVariant longSize() const override { return 0; }
    bool shortLocked() const override { return false; }
    bool longLocked() const override { return false; }
    qint64 processingOption() const override { return 0; }
    bool nowProcessing() const override { return false; }
    void setNowProcessing(bool) override {}
    void setCountText(const QString&) override {}
    void setScanButtonEnabled(bool) override {}
    void setProgressValue(double) override {}
    void setProgressMaxValue(double) override {}
    void cfgInfoText(const QString&) override {}
    void cfgProgressBarMaxValue(float) override {}
    void cfgProgressBarCurrentValue(float) override {}
    void cfgProgressBarDeterminate() override {}
    void showAlert(const QString& message, const QString& title) override
    {
        std::printf("alert: %s\n%s\n\n", qPrintable(title), qPrintable(message));
    }
    void userSelectedFiles(const QString&) override {}

    void setStatusText(const QString& text) override
    {
        const qint64 now = clock.nsecsElapsed();
        if (!phase.isEmpty())
            spent[phase] += now - since;
        phase = text;
        since = now;
    }

    bool albums = true;
    QElapsedTimer clock;
    QString phase;
    qint64 since = 0;
    QHash<QString, qint64> spent;
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

    TimingDelegate delegate;
    delegate.albums = albums;
    const qint64 callsBefore = callsAnswered();
    const double cpuBefore = cpuSeconds();
    delegate.clock.start();
    {
        TolvaneAperture engine;
        engine.tolvaneScan(&delegate);
    }
    delegate.setStatusText(QStringLiteral("(end)"));
    const double wall = delegate.clock.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    // The calls query itself is one more answered call.
    const qint64 calls = callsAnswered() - callsBefore - 1;

    const auto seconds = [&](const char* phase) {
        return delegate.spent.value(QString::fromLatin1(phase)) / 1e9 / count;
    };
    const double rendering = seconds("Converting");
    const double exportAndChecks = seconds("Processing");
    const double writeAndImport = seconds("Importing");
    const double metadata = seconds("Propagating Metadata");
    const double albumsAndOriginal = seconds("Populating Albums");
    const double loading =
        (delegate.spent.value("Loading Data") + delegate.spent.value("Loading Album Data")) / 1e9 /
        count;
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
