// tolvane-cli: runs a scan on the library's selection without a window, with
// the settings of the defaults store, optionally changed for this run by
// command-line flags.
#include "TerminalCrashReport.h"
#include "TerminalDisplay.h"
#include "TerminalOptions.h"
#include "TerminalOutlets.h"
#include "TolvaneAperture.h"
#include "TolvaneApertureAppDelegate.h"
#include "TolvaneSettings.h"
#include "VostCrashReporter.h"
#include "core/Localization.h"
#include "core/MainThread.h"
#include "core/UserDefaults.h"
#include "imageio/ImageIO.h"
#include "ui/ModalAlert.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// Flags change settings for this run only: the run works on an in-memory
// copy of the store, so nothing it changes is saved.
void applyOverrides(const QVariantMap& overrides)
{
    if (overrides.isEmpty())
        return;
    auto volatileStore = std::make_shared<UserDefaults>(QString());
    const QVariantMap saved = UserDefaults::standard().persistentDomain();
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        volatileStore->setValue(it.value(), it.key());
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it)
        volatileStore->setValue(it.value(), it.key());
    UserDefaults::setStandard(volatileStore);
}

// Takes a flag of this front end's own out of the arguments; whether it was there.
bool takeFlag(QStringList& arguments, const QString& flag)
{
    return arguments.removeAll(flag) > 0;
}

} // namespace

int main(int argc, char** argv)
{
    VostCrashReporter::installCrashLogWriter();
    QCoreApplication app(argc, argv);
    Localization::install(Localization::bundleTranslationsFolder());
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    QStringList arguments = app.arguments().mid(1);
    // --repair: only repair what interrupted runs left; --convert-again:
    // convert originals the run journal records as converted once more.
    const bool repairOnly = takeFlag(arguments, QStringLiteral("--repair"));
    const bool convertAgain = takeFlag(arguments, QStringLiteral("--convert-again"));
    TerminalOptions options = TerminalOptions::parse(arguments);
    if (convertAgain)
        options.overrides.insert(TolvaneSettings::SkipConvertedImages, false);
    if (options.helpRequested) {
        std::fputs(TerminalOptions::helpText(program).toUtf8().constData(), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(program), qPrintable(options.error));
        return 2;
    }
    if (const auto status =
            TerminalCrashReport(program, stdout, stderr).handle(options.crashReportAction))
        return *status;
    applyOverrides(options.overrides);
    // The image libraries start on the main thread before the run's thread.
    ImageIO::initialize();

    const bool interactive = ::isatty(STDOUT_FILENO) && ::isatty(STDIN_FILENO);
    TerminalDisplay display(stdout, interactive);
    TerminalOutlets outlets(display, stdin, options.referencedFolder);
    ModalAlert::setPresenter(outlets.alertPresenter());

    TolvaneApertureAppDelegate delegate;
    TolvaneApertureAppDelegate::Outlets wiring;
    wiring.window = outlets.window();
    wiring.selectedLabel = outlets.selectedLabel();
    wiring.statusLabel = outlets.statusLabel();
    wiring.countLabel = outlets.countLabel();
    wiring.progressIndicator = outlets.progressIndicator();
    wiring.selectionScanButton = outlets.scanButton();
    wiring.openPanel = outlets.openPanel();
    delegate.setOutlets(wiring);
    delegate.awakeFromNib();

    if (repairOnly) {
        auto engine = std::make_shared<TolvaneAperture>();
        MainThread::performInBackground([engine, &delegate] { engine->tolvaneRepair(&delegate); });
    } else if (options.estimate) {
        delegate.selectionEstimate(options.sampleSize);
    } else {
        delegate.selectionScan();
    }
    const bool started = MainThread::backgroundThreadsRunning() > 0;
    // Returns once the run's thread has ended completely, so nothing of it
    // still runs while the libraries are torn down at exit.
    while (!MainThread::waitForBackgroundThreads(250)) {
    }
    display.breakLine();
    if (!started && outlets.alertTitles().isEmpty())
        std::fprintf(stderr, "%s: no run was started (the log says why)\n", qPrintable(program));
    if (const QString report = delegate.lastReportPath(); !report.isEmpty())
        std::fprintf(stdout, "Report: %s\n", qPrintable(report));
    ModalAlert::setPresenter(nullptr);
    const QString success =
        options.estimate ? QStringLiteral("Estimate") : QStringLiteral("All Done");
    return started && outlets.sawAlertTitled(success) ? 0 : 1;
}
