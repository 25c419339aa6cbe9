#include "TerminalCrashReport.h"

#include "VostCrashReportSubmission.h"
#include "VostCrashReporter.h"
#include "core/OwnEmailAddress.h"

#include <QEventLoop>

TerminalCrashReport::TerminalCrashReport(QString program, std::FILE* out, std::FILE* err)
    : m_program(std::move(program)), m_out(out), m_err(err)
{}

std::optional<int> TerminalCrashReport::handle(TerminalOptions::CrashReportAction action)
{
    using Action = TerminalOptions::CrashReportAction;
    std::optional<VostCrashReporter::Offer> offer;
    try {
        offer = VostCrashReporter::findNewCrashLog();
    } catch (const VostCrashReporterException& error) {
        std::fprintf(m_err, "%s: %s: %s\n", qPrintable(m_program), qPrintable(error.name()),
                     qPrintable(error.reason()));
        return 1;
    }
    if (action == Action::None) {
        if (offer) {
            std::fprintf(m_err,
                         "%s: new crash log %s: send it with --send-crash-report, keep it for "
                         "later with --ignore-crash-report or discard it with "
                         "--discard-crash-report\n",
                         qPrintable(m_program), qPrintable(offer->crashLogPath));
        }
        return std::nullopt;
    }
    if (!offer) {
        std::fprintf(m_out, "%s: no new crash log\n", qPrintable(m_program));
        return 0;
    }
    switch (action) {
    case Action::Send:
        return send(offer->crashLogPath, offer->submissionURL);
    case Action::Discard:
        return discard(offer->crashLogPath);
    case Action::Ignore:
    case Action::None:
        break;
    }
    std::fprintf(m_out, "%s: crash log %s left to be offered again\n", qPrintable(m_program),
                 qPrintable(offer->crashLogPath));
    return 0;
}

int TerminalCrashReport::send(const QString& path, const QUrl& url)
{
    VostCrashReportSubmission submission(path, url);
    QEventLoop loop;
    int status = 1;
    QObject::connect(&submission, &VostCrashReportSubmission::succeeded, &loop, [&] {
        std::fprintf(m_out, "%s: crash log %s sent\n", qPrintable(m_program), qPrintable(path));
        status = 0;
        loop.quit();
    });
    QObject::connect(&submission, &VostCrashReportSubmission::failed, &loop,
                     [&](const QString& error) {
                         std::fprintf(m_err, "%s: the crash report could not be sent: %s\n",
                                      qPrintable(m_program), qPrintable(error));
                         loop.quit();
                     });
    if (submission.send(QString(), OwnEmailAddress::primary()))
        loop.exec();
    return status;
}

int TerminalCrashReport::discard(const QString& path)
{
    if (!VostCrashReportSubmission::discard(path)) {
        std::fprintf(m_err, "%s: crash log %s could not be moved to the Trash\n",
                     qPrintable(m_program), qPrintable(path));
        return 1;
    }
    std::fprintf(m_out, "%s: crash log %s moved to the Trash\n", qPrintable(m_program),
                 qPrintable(path));
    return 0;
}
