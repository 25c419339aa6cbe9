#include "Bundle.h"

#include "PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>

#include <memory>

namespace {
QFileInfo runningExecutable()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
}

QString bundleFromExecutableDir(const QString& dir)
{
    if (dir.endsWith(QLatin1String("/Contents/MacOS")))
        return QDir::cleanPath(dir + QStringLiteral("/../.."));
    return dir;
}

QMutex& mainMutex()
{
    static QMutex mutex;
    return mutex;
}

std::unique_ptr<Bundle>& mainSlot()
{
    static std::unique_ptr<Bundle> slot;
    return slot;
}
} // namespace

Bundle::Bundle(QString bundlePath) : m_path(QDir::cleanPath(std::move(bundlePath)))
{
    auto info = PropertyList::readDictionaryFile(m_path + QStringLiteral("/Contents/Info.plist"));
    if (info)
        m_info = *info;
}

const Bundle& Bundle::main()
{
    QMutexLocker lock(&mainMutex());
    auto& slot = mainSlot();
    if (!slot)
        slot =
            std::make_unique<Bundle>(bundleFromExecutableDir(runningExecutable().absolutePath()));
    return *slot;
}

void Bundle::setMainBundlePath(const QString& bundlePath)
{
    QMutexLocker lock(&mainMutex());
    // The old bundle is kept alive: callers may still hold a reference to it.
    static std::vector<std::unique_ptr<Bundle>> retired;
    if (mainSlot())
        retired.push_back(std::move(mainSlot()));
    mainSlot() = std::make_unique<Bundle>(bundlePath);
}

QString Bundle::resourcePath() const
{
    return m_path + QStringLiteral("/Contents/Resources");
}

QString Bundle::executablePath() const
{
    const QString name = m_info.value(QStringLiteral("CFBundleExecutable")).toString();
    if (name.isEmpty())
        return QString();
    return m_path + QStringLiteral("/Contents/MacOS/") + name;
}

QString Bundle::bundleIdentifier() const
{
    return m_info.value(QStringLiteral("CFBundleIdentifier")).toString();
}

QString Bundle::bundleName() const
{
    const QString name = m_info.value(QStringLiteral("CFBundleName")).toString();
    if (!name.isEmpty())
        return name;
    return runningExecutable().fileName();
}

QString Bundle::pathForResource(const QString& name, const QString& type) const
{
    const QString file = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    const QString path = resourcePath() + QLatin1Char('/') + file;
    return QFileInfo(path).isFile() ? path : QString();
}
