#include "DiskImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QVariantList>

namespace {

const QString kSysBlock = QStringLiteral("/sys/block");

QString readLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readLine()).trimmed();
}

QVariantMap entity(const QString& name)
{
    return {{QStringLiteral("dev-entry"), QString(QStringLiteral("/dev/") + name)}};
}

// One attached loop device: the device itself, then its partitions.
QVariantMap image(const QString& name, const QString& backingFile)
{
    QVariantList entities{entity(name)};
    const QStringList partitions = QDir(kSysBlock + QLatin1Char('/') + name)
                                       .entryList({QString(name + QStringLiteral("p*"))},
                                                  QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& partition : partitions)
        entities.append(entity(partition));
    return {{QStringLiteral("image-path"), backingFile},
            {QStringLiteral("system-entities"), entities}};
}

// The mount table escapes blanks, tabs, newlines and backslashes as octal.
QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromLocal8Bit(out);
}

bool isInside(const QString& path, const QString& mountPoint)
{
    if (mountPoint == QLatin1String("/"))
        return true;
    return path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

} // namespace

QVariantMap DiskImages::info()
{
    QVariantList images;
    const QStringList loops = QDir(kSysBlock).entryList(
        {QStringLiteral("loop*")}, QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : loops) {
        const QString backing =
            readLine(kSysBlock + QLatin1Char('/') + name + QStringLiteral("/loop/backing_file"));
        if (!backing.isEmpty())
            images.append(image(name, backing));
    }
    return {{QStringLiteral("images"), images}};
}

QString DiskImages::deviceHolding(const QString& path)
{
    const QString folder = QFileInfo(path).canonicalFilePath();
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (folder.isEmpty() || !table.open(QIODevice::ReadOnly))
        return {};
    // The last matching line wins: later mounts cover earlier ones.
    QString bestPoint;
    QString bestSource;
    const QList<QByteArray> lines = table.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() < 5 || separator < 0 || separator + 2 >= fields.size())
            continue;
        const QString point = unescapeMountField(fields[4]);
        if (!isInside(folder, point) || point.size() < bestPoint.size())
            continue;
        bestPoint = point;
        bestSource = unescapeMountField(fields[separator + 2]);
    }
    if (bestPoint == QLatin1String("/") || !bestSource.startsWith(QLatin1String("/dev/")))
        return {};
    return bestSource;
}

QString DiskImages::wholeDevice(const QString& device)
{
    static const QRegularExpression partition(QStringLiteral("^(/dev/loop\\d+)p\\d+$"));
    const QRegularExpressionMatch match = partition.match(device);
    return match.hasMatch() ? match.captured(1) : device;
}

QString DiskImages::detachCommand(const QString& quotedDevice, const QString& quotedImageDevice)
{
    return QStringLiteral("{ { /usr/bin/udisksctl unmount --no-user-interaction -b %1"
                          " && /usr/bin/udisksctl loop-delete --no-user-interaction -b %2; }"
                          " || { /usr/bin/umount %1; /usr/sbin/losetup -d %2; }; }")
        .arg(quotedDevice, quotedImageDevice);
}
