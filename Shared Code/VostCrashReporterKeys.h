#pragma once

#include <QString>

/// The defaults and information-property-list keys of crash reporting.
namespace VostCrashReporterKeys {
inline const QString submissionURL = QStringLiteral("VostCrashReporterCrashSubmissionURL");
inline const QString lastCrashReportDate = QStringLiteral("VostCrashReporterLastCrashReportDate");
inline const QString includeSystemInformation =
    QStringLiteral("VostCrashReporterIncludeAnonymousSystemInformation");
inline const QString includeEmailAddress = QStringLiteral("VostCrashReporterIncludeEmailAddress");
inline const QString preferredReportingLocale =
    QStringLiteral("VostCrashReporterPreferredReportingLocale");
} // namespace VostCrashReporterKeys
