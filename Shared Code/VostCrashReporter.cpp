#include "VostCrashReporter.h"

#include "VostCrashReporterKeys.h"
#include "core/Bundle.h"
#include "core/SearchPaths.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"
#include "crash/CrashLogWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kLogsSubfolder = QStringLiteral("Logs/DiagnosticReports");

VostCrashReporter::Presenter& presenter()
{
    static VostCrashReporter::Presenter shown;
    return shown;
}

// Depth first, names sorted, so two logs are always met in the same order.
void walk(const QString& root, const QString& relative, const QString& prefix, QStringList& found)
{
    const QDir folder(relative.isEmpty() ? root : root + QLatin1Char('/') + relative);
    const QFileInfoList entries = folder.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString path =
            relative.isEmpty() ? entry.fileName() : relative + QLatin1Char('/') + entry.fileName();
        if (path.startsWith(prefix, Qt::CaseSensitive))
            found.append(root + QLatin1Char('/') + path);
        if (entry.isDir() && !entry.isSymLink())
            walk(root, path, prefix, found);
    }
}

} // namespace

VostCrashReporterException::VostCrashReporterException(QString name, QString reason)
    : std::runtime_error(QString(name + QStringLiteral(": ") + reason).toStdString()),
      m_name(std::move(name)), m_reason(std::move(reason))
{}

QStringList VostCrashReporter::crashLogDirectories()
{
    const QStringList libraries = SearchPaths::forDirectory(
        SearchPaths::Directory::Library, SearchPaths::UserDomain | SearchPaths::LocalDomain);
    for (const QString& library : libraries) {
        const QString folder = library + QLatin1Char('/') + kLogsSubfolder;
        if (QFileInfo(folder).isDir())
            return {folder};
    }
    return {};
}

QStringList VostCrashReporter::crashLogPaths()
{
    const QString name =
        Bundle::main().objectForInfoDictionaryKey(QStringLiteral("CFBundleName")).toString();
    QStringList paths;
    if (name.isEmpty())
        return paths;
    for (const QString& folder : crashLogDirectories())
        walk(folder, QString(), name, paths);
    return paths;
}

QUrl VostCrashReporter::submissionURL()
{
    QString address = UserDefaults::standard().stringForKey(VostCrashReporterKeys::submissionURL);
    if (address.isEmpty()) {
        address = Bundle::main()
                      .objectForInfoDictionaryKey(VostCrashReporterKeys::submissionURL)
                      .toString();
    }
    if (address.isEmpty()) {
        throw VostCrashReporterException(
            QStringLiteral("Missing VostCrashReporterCrashSubmissionURL"),
            QStringLiteral("You must specify the URL for crash log submission as the "
                           "VostCrashReporterCrashSubmissionURL in either Info.plist or the user "
                           "defaults!"));
    }
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        throw VostCrashReporterException(
            QStringLiteral("Invalid VostCrashReporterCrashSubmissionURL"),
            QStringLiteral("The VostCrashReporterCrashSubmissionURL \"%1\" is not an http or https "
                           "address.")
                .arg(address));
    }
    return url;
}

std::optional<VostCrashReporter::Offer> VostCrashReporter::findNewCrashLog()
{
    const QUrl url = submissionURL();
    UserDefaults& defaults = UserDefaults::standard();
    QDateTime lastReport = defaults.dateForKey(VostCrashReporterKeys::lastCrashReportDate);
    if (!lastReport.isValid()) {
        lastReport = QDateTime::currentDateTimeUtc();
        defaults.setValue(lastReport, VostCrashReporterKeys::lastCrashReportDate);
    }
    for (const QString& path : crashLogPaths()) {
        // A folder whose name begins like a log is no log to send.
        const QFileInfo entry(path);
        if (!entry.isFile())
            continue;
        const QDateTime modified = entry.lastModified();
        if (!modified.isValid())
            continue;
        if (lastReport < modified)
            return Offer{path, url};
    }
    return std::nullopt;
}

void VostCrashReporter::checkForNewCrashes()
{
    const std::optional<Offer> offer = findNewCrashLog();
    if (!offer)
        return;
    if (presenter())
        presenter()(*offer);
    else
        SystemLog::log(
            QStringLiteral("VostCrashReporter: new crash log %1").arg(offer->crashLogPath));
}

void VostCrashReporter::setPresenter(Presenter shown)
{
    presenter() = std::move(shown);
}

QString VostCrashReporter::userCrashLogFolder()
{
    return SearchPaths::forDirectory(SearchPaths::Directory::Library, SearchPaths::UserDomain) +
           QLatin1Char('/') + kLogsSubfolder;
}

bool VostCrashReporter::installCrashLogWriter()
{
    const Bundle& bundle = Bundle::main();
    CrashLogWriter::Facts facts;
    facts.folder = userCrashLogFolder();
    facts.bundleName = bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleName")).toString();
    facts.bundleIdentifier = bundle.bundleIdentifier();
    facts.version =
        bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString")).toString();
    facts.buildVersion =
        bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleVersion")).toString();
    if (CrashLogWriter::install(facts))
        return true;
    SystemLog::log(QStringLiteral("VostCrashReporter: cannot write crash logs into %1: it cannot "
                                  "be made a folder")
                       .arg(facts.folder));
    return false;
}
