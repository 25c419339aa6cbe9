// The process entry of the desktop application: loads the main interface,
// which creates the application delegate, and hands the application's life
// events to the delegate.

#include "MainWindowController.h"
#include "MoveToApplicationsFolder.h"
#include "TolvaneApertureAppDelegate.h"
#include "VostCrashReporter.h"
#include "VostCrashReporterWindowController.h"
#include "core/Localization.h"
#include "core/Bundle.h"
#include "core/MainThread.h"
#include "imageio/ImageIO.h"
#include "ui/ModalAlert.h"
#include "widgets/MessageBoxAlertPresenter.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    VostCrashReporter::installCrashLogWriter();
    // Qt scales to the screen's device pixel ratio by itself; the icon comes
    // in a size that stays sharp on high-density screens.
    QApplication app(argc, argv);
    // The image libraries start on the main thread before any run's thread.
    ImageIO::initialize();
    const Bundle& bundle = Bundle::main();
    const QString name =
        bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleName")).toString();
    if (!name.isEmpty())
        QApplication::setApplicationName(name);
    QApplication::setApplicationVersion(
        bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString")).toString());
    // Ties the windows to the desktop entry of the same name.
    QGuiApplication::setDesktopFileName(bundle.bundleIdentifier());
    const QString icon = bundle.pathForResource(QStringLiteral("Tolvane"), QStringLiteral("png"));
    if (!icon.isEmpty())
        QApplication::setWindowIcon(QIcon(icon));

    Localization::install(Localization::bundleTranslationsFolder());
    VostCrashReporter::setPresenter([](const VostCrashReporter::Offer& offer) {
        VostCrashReporterWindowController::showWindowForCrashLogPath(offer.crashLogPath,
                                                                     offer.submissionURL);
    });

    MessageBoxAlertPresenter alerts;
    ModalAlert::setPresenter(&alerts);

    int status = 0;
    {
        MainWindowController interface;
        TolvaneApertureAppDelegate& delegate = interface.delegate();
        delegate.setMoveOffer(offerToMoveToApplicationsFolder);
        delegate.applicationWillFinishLaunching();
        interface.showWindow();
        delegate.applicationDidFinishLaunching();

        QObject::connect(&app, &QGuiApplication::applicationStateChanged, &delegate,
                         [&delegate](Qt::ApplicationState state) {
                             if (state == Qt::ApplicationActive)
                                 delegate.applicationDidBecomeActive();
                         });
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                         [&delegate] { delegate.applicationWillTerminate(); });
        // A desktop without a window manager never reports the application
        // active, so the count is shown once now as well.
        delegate.applicationDidBecomeActive();
        status = QApplication::exec();
        // A run still under way is let finish, with its clean-up, before
        // the delegate it reports to goes away.
        while (!MainThread::waitForBackgroundThreads(1000)) {
        }
    }
    ModalAlert::setPresenter(nullptr);
    return status;
}
