#include "DesktopEntry.h"

#include "core/Bundle.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// The escapes of a string value: backslash and the control characters.
QString escapeValue(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    value.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    value.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return value;
}

QString templateFor(const Bundle& bundle)
{
    QFile file(bundle.pathForResource(bundle.bundleIdentifier(), QStringLiteral("desktop")));
    if (file.open(QIODevice::ReadOnly))
        return QString::fromUtf8(file.readAll());
    const QString name =
        bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleName")).toString();
    return QStringLiteral(
               "[Desktop Entry]\nType=Application\nName=%1\nExec=\nIcon=\nTerminal=false\n")
        .arg(escapeValue(name));
}

QString iconPath(const Bundle& bundle)
{
    const QString svg = bundle.pathForResource(QStringLiteral("Tolvane"), QStringLiteral("svg"));
    return svg.isEmpty() ? bundle.pathForResource(QStringLiteral("Tolvane"), QStringLiteral("png"))
                         : svg;
}

} // namespace

QString DesktopEntry::execArgument(const QString& path)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return escapeValue(quoted);
}

QString DesktopEntry::textForBundle(const QString& bundlePath)
{
    const Bundle bundle(bundlePath);
    QStringList lines = templateFor(bundle).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.startsWith(QLatin1String("Exec=")))
            line = QStringLiteral("Exec=") + execArgument(bundle.executablePath());
        else if (line.startsWith(QLatin1String("Icon=")))
            line = QStringLiteral("Icon=") + escapeValue(iconPath(bundle));
    }
    return lines.join(QLatin1Char('\n'));
}

bool DesktopEntry::writeForBundle(const QString& bundlePath)
{
    const Bundle bundle(bundlePath);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/applications");
    if (bundle.bundleIdentifier().isEmpty() || !QDir().mkpath(folder))
        return false;
    QSaveFile file(folder + QLatin1Char('/') + bundle.bundleIdentifier() +
                   QStringLiteral(".desktop"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(textForBundle(bundlePath).toUtf8());
    return file.commit();
}
