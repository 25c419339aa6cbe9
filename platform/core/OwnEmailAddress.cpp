#include "OwnEmailAddress.h"

#include <QSettings>
#include <QStandardPaths>

QString OwnEmailAddress::primary()
{
    const QString identities =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/emaildefaults");
    const QSettings settings(identities, QSettings::IniFormat);
    const QString fromDesktop =
        settings.value(QStringLiteral("PROFILE_Default/EmailAddress")).toString().trimmed();
    if (!fromDesktop.isEmpty())
        return fromDesktop;
    return qEnvironmentVariable("EMAIL").trimmed();
}
