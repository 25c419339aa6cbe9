#include "VostCrashReportSubmission.h"

#include "GenerateFormData.h"
#include "VostCrashReporterKeys.h"
#include "VostSystemInformation.h"
#include "core/Bundle.h"
#include "core/Localization.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <utility>

namespace {

using Reader = QVariant (VostSystemInformation::*)() const;
struct SystemField {
    const char* name;
    Reader read;
};
const SystemField kSystemFields[] = {
    {"machine", &VostSystemInformation::machine},
    {"model", &VostSystemInformation::model},
    {"physicalMemory", &VostSystemInformation::physicalMemory},
    {"busFrequency", &VostSystemInformation::busFrequency},
    {"CPUFrequency", &VostSystemInformation::CPUFrequency},
    {"CPUFamily", &VostSystemInformation::CPUFamily},
    {"CPUType", &VostSystemInformation::CPUType},
    {"CPUSubtype", &VostSystemInformation::CPUSubtype},
    {"numberOfCPUs", &VostSystemInformation::numberOfCPUs},
    {"physicalCPUs", &VostSystemInformation::physicalCPUs},
    {"logicalCPUs", &VostSystemInformation::logicalCPUs},
    {"systemVersion", &VostSystemInformation::systemVersion},
    {"systemBuildVersion", &VostSystemInformation::systemBuildVersion},
};

struct InfoField {
    const char* name;
    const char* infoKey;
};
const InfoField kApplicationFields[] = {
    {"applicationName", "ValidatedTitle"},
    {"applicationIdentifier", "CFBundleIdentifier"},
    {"applicationVersion", "CFBundleVersion"},
    {"applicationShortVersion", "CFBundleShortVersionString"},
};

QString reportingLocaleName()
{
    const QString fromDefaults =
        UserDefaults::standard().stringForKey(VostCrashReporterKeys::preferredReportingLocale);
    if (!fromDefaults.isEmpty())
        return fromDefaults;
    const QString fromBundle =
        Bundle::main()
            .objectForInfoDictionaryKey(VostCrashReporterKeys::preferredReportingLocale)
            .toString();
    return fromBundle.isEmpty() ? QStringLiteral("en_US") : fromBundle;
}

// The locale's short date with a four-digit year and its short time with
// seconds: the "medium" styles, which Qt has no name for.
QString mediumFormat(const QLocale& locale)
{
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy")))
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QString time = locale.timeFormat(QLocale::ShortFormat);
    if (!time.contains(QLatin1String("ss")))
        time.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
    return date + QStringLiteral(", ") + time;
}

} // namespace

VostCrashReportSubmission::VostCrashReportSubmission(QString crashLogPath, QUrl submissionURL,
                                                     QObject* parent)
    : QObject(parent), m_crashLogPath(std::move(crashLogPath)),
      m_submissionURL(std::move(submissionURL)), m_network(new QNetworkAccessManager(this))
{
    registerDefaults();
}

void VostCrashReportSubmission::registerDefaults()
{
    UserDefaults::standard().registerDefaults({
        {VostCrashReporterKeys::includeSystemInformation, true},
        {VostCrashReporterKeys::includeEmailAddress, true},
    });
}

VostCrashReportSubmission::~VostCrashReportSubmission()
{
    if (m_reply)
        m_reply->abort();
}

QString VostCrashReportSubmission::reportDate()
{
    const QLocale locale(reportingLocaleName());
    return locale.toString(QDateTime::currentDateTime(), mediumFormat(locale));
}

QVariantMap VostCrashReportSubmission::formValues(const QString& comments,
                                                  const QString& emailAddress) const
{
    const UserDefaults& defaults = UserDefaults::standard();
    QVariantMap values;
    if (defaults.boolForKey(VostCrashReporterKeys::includeSystemInformation)) {
        const VostSystemInformation system;
        for (const SystemField& field : kSystemFields) {
            const QVariant value = (system.*field.read)();
            if (value.isValid())
                values.insert(QLatin1String(field.name), value);
        }
        values.insert(QStringLiteral("systemInformationIncluded"), true);
    } else {
        values.insert(QStringLiteral("systemInformationIncluded"), false);
    }
    if (defaults.boolForKey(VostCrashReporterKeys::includeEmailAddress) && !emailAddress.isEmpty())
        values.insert(QStringLiteral("emailAddress"), emailAddress);
    if (!comments.isEmpty())
        values.insert(QStringLiteral("comments"), comments);
    values.insert(QStringLiteral("crashLog"), QUrl::fromLocalFile(m_crashLogPath));
    const Bundle& bundle = Bundle::main();
    for (const InfoField& field : kApplicationFields) {
        const QVariant value = bundle.objectForInfoDictionaryKey(QLatin1String(field.infoKey));
        if (value.isValid())
            values.insert(QLatin1String(field.name), value.toString());
    }
    values.insert(QStringLiteral("date"), reportDate());
    return values;
}

bool VostCrashReportSubmission::send(const QString& comments, const QString& emailAddress)
{
    // A log that went away since it was found is told now, not sent empty.
    QFile log(m_crashLogPath);
    if (!log.open(QIODevice::ReadOnly)) {
        Q_EMIT failed(Localization::localizedString("The crash log could not be read.") +
                      QStringLiteral(" (") + log.errorString() + QLatin1Char(')'));
        return false;
    }
    log.close();

    const QByteArray body =
        GenerateFormData(formValues(comments, emailAddress), QLatin1String(boundary));
    QNetworkRequest request(m_submissionURL);
    request.setRawHeader("Content-Type", QByteArray("multipart/form-data; boundary=") + boundary);
    request.setRawHeader("User-Agent", "VostCrashReporter");
    request.setRawHeader("Content-Length", QByteArray::number(body.size()));
    request.setTransferTimeout(m_transferTimeoutMs);
    m_responseData.clear();
    QNetworkReply* reply = m_network->post(request, body);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] { m_responseData.clear(); });
    connect(reply, &QNetworkReply::readyRead, this,
            [this, reply] { m_responseData += reply->readAll(); });
    connect(reply, &QNetworkReply::finished, this, &VostCrashReportSubmission::finishLoading);
    return true;
}

void VostCrashReportSubmission::finishLoading()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    m_responseData += reply->readAll();
    const QByteArray answer = std::exchange(m_responseData, QByteArray());
    // The status code is not examined: any answer the server finished
    // counts, a transfer that broke off does not.
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (!answered) {
        Q_EMIT failed(reply->errorString());
        return;
    }
    if (QString::fromUtf8(answer) != QLatin1String("ok\n")) {
        Q_EMIT failed(Localization::localizedString("Unrecognized response from the server"));
        return;
    }
    recordSubmitted();
    Q_EMIT succeeded();
}

void VostCrashReportSubmission::recordSubmitted()
{
    const QDateTime modified = QFileInfo(m_crashLogPath).lastModified();
    if (modified.isValid())
        UserDefaults::standard().setValue(modified, VostCrashReporterKeys::lastCrashReportDate);
    QFile log(m_crashLogPath);
    if (!log.remove()) {
        SystemLog::log(QStringLiteral("VostCrashReporter error: Unable to delete the submitted "
                                      "crash log (%1): %2")
                           .arg(QFileInfo(m_crashLogPath).fileName(), log.errorString()));
    }
}

bool VostCrashReportSubmission::discard(const QString& crashLogPath)
{
    if (crashLogPath.isEmpty() || !QFileInfo::exists(crashLogPath)) {
        SystemLog::log(QStringLiteral("VostCrashReporter: Unable to create FSRef for file %1")
                           .arg(crashLogPath));
        return false;
    }
    QFile log(crashLogPath);
    if (log.moveToTrash())
        return true;
    SystemLog::log(QStringLiteral("VostCrashReporter: Unable to move %1 to trash: %2")
                       .arg(crashLogPath)
                       .arg(static_cast<int>(log.error())));
    return false;
}
