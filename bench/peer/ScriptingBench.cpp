// Benchmarks of the scripting connection to the stand-in photo library
// application: the round trip of a small call, and the bulk read of the
// per-image facts a run loads for its selection (id, height, width, EXIF and
// other tags) in one call. Prints the times; the bulk read's target is under
// one second for 10,000 selected images.
//
//   scripting_bench [--images N] [--library PATH] [--calls N] [--rounds N]
//
// Without --library a sample library of N tiny images is generated first
// (about 20 s for 10,000).

#include "ApertureApplication.h"

#include "PeerProcess.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"

#include "scripting/ScriptingApplication.h"
#include "scripting/ScriptingError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void roundTrip(const ApertureApplication& application, int calls)
{
    std::vector<double> micros;
    micros.reserve(size_t(calls));
    QElapsedTimer timer;
    for (int i = 0; i < calls; ++i) {
        timer.start();
        application.version();
        micros.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::printf("round trip of a small call (version), %d calls: median %.0f us, fastest %.0f us\n",
                calls, median(micros), *std::min_element(micros.begin(), micros.end()));
}

void bulkRead(const ApertureApplication& application, int rounds)
{
    QElapsedTimer timer;
    timer.start();
    const QList<ApertureImageVersion> selection = application.selection();
    std::printf("selection of %lld images: %.3f s\n", static_cast<long long>(selection.size()),
                double(timer.nsecsElapsed()) / 1e9);
    const QStringList keys = {QStringLiteral("id"),
                              QStringLiteral("height"),
                              QStringLiteral("width"),
                              QStringLiteral("EXIFTags.name"),
                              QStringLiteral("EXIFTags.value"),
                              QStringLiteral("otherTags.name"),
                              QStringLiteral("otherTags.value")};
    std::vector<double> seconds;
    qsizetype values = 0;
    for (int round = 0; round < rounds; ++round) {
        timer.start();
        const QHash<QString, QVariantList> read = application.valuesForKeys(selection, keys);
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        values = 0;
        for (const QVariantList& column : read)
            for (const QVariant& value : column)
                values +=
                    value.metaType().id() == QMetaType::QVariantList ? value.toList().size() : 1;
    }
    const double typical = median(seconds);
    std::printf("bulk read of %s for %lld images (%lld values), %d rounds: median %.3f s, fastest "
                "%.3f s (target: under 1 s) %s\n",
                qPrintable(keys.join(QLatin1Char(' '))), static_cast<long long>(selection.size()),
                static_cast<long long>(values), rounds, typical,
                *std::min_element(seconds.begin(), seconds.end()),
                typical < 1.0 ? "within target" : "OVER TARGET");
}

} // namespace

int main(int argc, char** argv)
{
    TestEnvironment::setUp();
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption images(QStringLiteral("images"), QString(), QStringLiteral("n"),
                                    QStringLiteral("10000"));
    const QCommandLineOption library(QStringLiteral("library"), QString(), QStringLiteral("path"));
    const QCommandLineOption calls(QStringLiteral("calls"), QString(), QStringLiteral("n"),
                                   QStringLiteral("2000"));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QString(), QStringLiteral("n"),
                                    QStringLiteral("5"));
    parser.addOptions({images, library, calls, rounds});
    parser.process(app);

    QString path = parser.value(library);
    if (path.isEmpty()) {
        path = TestEnvironment::makeScratchDir(QStringLiteral("bench")) +
               QStringLiteral("/Bench.aplibrary");
        QElapsedTimer timer;
        timer.start();
        if (!PeerProcess::makeSample(path,
                                     {QStringLiteral("--count"), parser.value(images),
                                      QStringLiteral("--max-megapixels"), QStringLiteral("0.005"),
                                      QStringLiteral("--pairs"), QStringLiteral("0"),
                                      QStringLiteral("--albums"), QStringLiteral("3")})) {
            std::fprintf(stderr, "scripting_bench: the sample library could not be made\n");
            return 1;
        }
        std::printf("sample library of %s images made in %.1f s\n",
                    qPrintable(parser.value(images)), double(timer.elapsed()) / 1000.0);
    }
    PrivateBus bus;
    PeerProcess peer(path);
    if (!bus.isUp() || !peer.start(60000)) {
        std::fprintf(stderr, "scripting_bench: photolib serve did not start: %s\n",
                     qPrintable(peer.standardError()));
        return 1;
    }
    try {
        ApertureApplication application;
        application.setTimeout(ScriptingApplication::NoTimeout);
        roundTrip(application, parser.value(calls).toInt());
        bulkRead(application, parser.value(rounds).toInt());
    } catch (const ScriptingError& error) {
        std::fprintf(stderr, "scripting_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
