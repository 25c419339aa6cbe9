// Draws the desktop window in its main states and saves each as a PNG into
// the folder named on the command line: at rest, with the fixed size sheet,
// with the keyword panel, showing a run's progress, and the crash report
// window. The window is built by the same MainWindowController the
// application uses, on a private defaults store and home folder, so the
// user's settings are never touched.
// tools/screenshots.sh runs it under Xvfb.

#include "MainWindowController.h"
#include "TestEnvironment.h"
#include "TolvaneApertureAppDelegate.h"
#include "VostCrashReporterWindowController.h"
#include "core/Bundle.h"
#include "core/UserDefaults.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QDir>
#include <QIcon>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

bool save(const QPixmap& picture, const QString& folder, const QString& name)
{
    const QString path = folder + QLatin1Char('/') + name;
    if (!picture.save(path, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The window with a second picture laid on it: a sheet at the top centre,
// or a panel to its right, each with a soft shadow.
QPixmap compose(const QPixmap& window, const QPixmap& other, bool besides)
{
    const qreal ratio = window.devicePixelRatio();
    const QSize windowSize = window.deviceIndependentSize().toSize();
    const QSize otherSize = other.deviceIndependentSize().toSize();
    constexpr int gap = 24;
    const QSize size = besides ? QSize(windowSize.width() + gap + otherSize.width(),
                                       qMax(windowSize.height(), otherSize.height()))
                               : QSize(qMax(windowSize.width(), otherSize.width()),
                                       qMax(windowSize.height(), otherSize.height() + gap));
    QPixmap canvas(size * ratio);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(QColor(0xe8, 0xe8, 0xe8));
    QPainter painter(&canvas);
    painter.drawPixmap(0, 0, window);
    const QPoint at = besides ? QPoint(windowSize.width() + gap, 0)
                              : QPoint((size.width() - otherSize.width()) / 2, gap);
    if (!besides)
        painter.fillRect(QRect(QPoint(0, 0), windowSize), QColor(0, 0, 0, 40));
    for (int blur = 6; blur > 0; --blur)
        painter.fillRect(QRect(at, otherSize).adjusted(-blur, -blur + 2, blur, blur + 2),
                         QColor(0, 0, 0, 8));
    painter.drawPixmap(at, other);
    return canvas;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    TestEnvironment::setUp();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    const QString icon = Bundle::main().pathForResource(QStringLiteral("Tolvane"), "png");
    if (!icon.isEmpty())
        QApplication::setWindowIcon(QIcon(icon));
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "could not make %s\n", argv[1]);
        return 1;
    }

    MainWindowController interface;
    TolvaneApertureAppDelegate& delegate = interface.delegate();
    interface.showWindow();
    delegate.applicationDidBecomeActive();
    settle();
    QMainWindow* window = interface.window();
    bool saved = save(window->grab(), folder, QStringLiteral("main-window.png"));

    // The user chooses the fixed size: what the output size choice does.
    UserDefaults::standard().setValue(qint64(4), QStringLiteral("JpegOutputSize"));
    delegate.outputScaleSelect(0);
    settle();
    saved &= save(compose(window->grab(), interface.fixedSizePanel()->grab(), false), folder,
                  QStringLiteral("fixed-size-sheet.png"));
    delegate.dismissFixedSizePanel();

    delegate.configureKeywords();
    settle();
    saved &= save(compose(window->grab(), interface.keywordCustomizationPanel()->grab(), true),
                  folder, QStringLiteral("keyword-panel.png"));
    delegate.dismissKeywordCustomizationPanel();

    // What a run shows, driven through the calls a run makes.
    RunDelegate& run = delegate;
    run.setScanButtonEnabled(false);
    run.setNowProcessing(true);
    run.setStatusText(QStringLiteral("Processing"));
    run.setProgressMaxValue(12);
    run.setCountText(QStringLiteral("DSC_0427.NEF"));
    run.setProgressValue(5);
    settle();
    saved &= save(window->grab(), folder, QStringLiteral("run-progress.png"));
    run.setNowProcessing(false);

    // The crash report window as the next start after a crash shows it.
    const QString log = TestEnvironment::makeScratchDir(QStringLiteral("logs")) +
                        QStringLiteral("/Tolvane_2026-12-06-101010_host.crash");
    QFile logFile(log);
    if (logFile.open(QIODevice::WriteOnly))
        logFile.write("Exception Type:  SIGSEGV\n");
    logFile.close();
    QPointer<VostCrashReporterWindowController> report =
        VostCrashReporterWindowController::showWindowForCrashLogPath(
            log, QUrl(QStringLiteral("https://tolvane.org/crash-report/")));
    report->commentsTextView()->setPlainText(
        QStringLiteral("Pressed Scan with 300 images selected."));
    settle();
    saved &= save(report->window()->grab(), folder, QStringLiteral("crash-report.png"));
    delete report.data();
    return saved ? 0 : 1;
}
