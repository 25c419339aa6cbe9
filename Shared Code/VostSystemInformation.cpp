#include "VostSystemInformation.h"

#include <QFile>
#include <QSet>

#include <cstring>
#include <stdexcept>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

constexpr int kHardware = 6;
constexpr int kMachine = 1;
constexpr int kModel = 2;

void requireNotNull(const void* pointer, const char* condition)
{
    if (!pointer) {
        throw std::invalid_argument(std::string("Invalid parameter not satisfying: ") + condition +
                                    " (Shared Code/VostSystemInformation)");
    }
}

std::optional<qint64> parseInteger(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 0);
    if (ok)
        return value;
    // Frequencies in /proc/cpuinfo are decimals ("2400.000").
    const double decimal = text.trimmed().toDouble(&ok);
    return ok ? std::optional<qint64>(static_cast<qint64>(decimal)) : std::nullopt;
}

} // namespace

VostSystemInformation& VostSystemInformation::instance()
{
    static VostSystemInformation shared;
    return shared;
}

QString VostSystemInformation::readFile(const QString& path) const
{
    QFile file(m_root + path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The first processor's value of a "name : value" line of /proc/cpuinfo.
QString VostSystemInformation::cpuInfoField(const QString& field) const
{
    const QStringList lines = readFile(QStringLiteral("/proc/cpuinfo")).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0 && line.left(colon).trimmed() == field)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

QString VostSystemInformation::osReleaseField(const QString& field) const
{
    const QStringList lines = readFile(QStringLiteral("/etc/os-release")).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (!line.startsWith(field + QLatin1Char('=')))
            continue;
        QString value = line.mid(field.size() + 1).trimmed();
        if (value.size() >= 2 &&
            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

QVariant VostSystemInformation::stringForMIB(const int* mib, unsigned length, QString* error) const
{
    requireNotNull(mib, "NULL != mib");
    if (length != 2 || mib[0] != kHardware) {
        if (error)
            *error = QStringLiteral("unknown name");
        return {};
    }
    if (mib[1] == kMachine) {
        utsname names{};
        if (::uname(&names) != 0)
            return {};
        return QString::fromLatin1(names.machine);
    }
    if (mib[1] == kModel) {
        const QString model = readFile(QStringLiteral("/sys/class/dmi/id/product_name")).trimmed();
        return model.isEmpty() ? QVariant() : QVariant(model);
    }
    return {};
}

std::optional<qint64> VostSystemInformation::int64Value(const char* name) const
{
    const QByteArray key(name);
    if (key == "hw.memsize") {
        const long pages = ::sysconf(_SC_PHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0)
            return std::nullopt;
        return static_cast<qint64>(pages) * pageSize;
    }
    if (key == "hw.cpufrequency") {
        // cpufreq gives kHz; without it, /proc/cpuinfo gives MHz.
        const auto kiloHertz = parseInteger(
            readFile(QStringLiteral("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq")));
        if (kiloHertz)
            return *kiloHertz * 1000;
        const auto megaHertz = parseInteger(cpuInfoField(QStringLiteral("cpu MHz")));
        if (megaHertz)
            return *megaHertz * 1000000;
        return std::nullopt;
    }
    if (key == "hw.cpufamily")
        return parseInteger(cpuInfoField(QStringLiteral("cpu family")));
    if (key == "hw.cputype")
        return parseInteger(cpuInfoField(QStringLiteral("model")));
    if (key == "hw.cpusubtype")
        return parseInteger(cpuInfoField(QStringLiteral("stepping")));
    if (key == "hw.ncpu") {
        const long count = ::sysconf(_SC_NPROCESSORS_CONF);
        return count > 0 ? std::optional<qint64>(count) : std::nullopt;
    }
    if (key == "hw.logicalcpu") {
        const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
        return count > 0 ? std::optional<qint64>(count) : std::nullopt;
    }
    if (key == "hw.physicalcpu") {
        // Distinct (package, core) pairs; a processor without them is a core.
        QSet<QString> cores;
        QString package;
        const QStringList lines =
            readFile(QStringLiteral("/proc/cpuinfo")).split(QLatin1Char('\n'));
        int processors = 0;
        for (const QString& line : lines) {
            const QString name = line.section(QLatin1Char(':'), 0, 0).trimmed();
            const QString value = line.section(QLatin1Char(':'), 1).trimmed();
            if (name == QLatin1String("processor"))
                ++processors;
            else if (name == QLatin1String("physical id"))
                package = value;
            else if (name == QLatin1String("core id"))
                cores.insert(package + QLatin1Char('/') + value);
        }
        if (!cores.isEmpty())
            return cores.size();
        return processors > 0 ? std::optional<qint64>(processors) : std::nullopt;
    }
    return std::nullopt;
}

QVariant VostSystemInformation::int64ForSysctlName(const char* name, QString* error) const
{
    requireNotNull(name, "NULL != name");
    const auto value = int64Value(name);
    if (!value) {
        if (error)
            *error = QStringLiteral("%1 cannot be read").arg(QLatin1String(name));
        return {};
    }
    return *value;
}

QVariant VostSystemInformation::int32ForSysctlName(const char* name, QString* error) const
{
    requireNotNull(name, "NULL != name");
    const auto value = int64Value(name);
    if (!value) {
        if (error)
            *error = QStringLiteral("%1 cannot be read").arg(QLatin1String(name));
        return {};
    }
    // A 4-byte value: its top bit is the sign.
    const auto bits = static_cast<quint32>(static_cast<quint64>(*value));
    return static_cast<qint64>(static_cast<qint32>(bits));
}

QVariant VostSystemInformation::machine() const
{
    const int mib[2] = {kHardware, kMachine};
    return stringForMIB(mib, 2, nullptr);
}

QVariant VostSystemInformation::model() const
{
    const int mib[2] = {kHardware, kModel};
    return stringForMIB(mib, 2, nullptr);
}

QVariant VostSystemInformation::physicalMemory() const
{
    return int64ForSysctlName("hw.memsize", nullptr);
}

QVariant VostSystemInformation::busFrequency() const
{
    return int64ForSysctlName("hw.busfrequency", nullptr);
}

QVariant VostSystemInformation::CPUFrequency() const
{
    return int64ForSysctlName("hw.cpufrequency", nullptr);
}

QVariant VostSystemInformation::CPUFamily() const
{
    return int32ForSysctlName("hw.cpufamily", nullptr);
}

QVariant VostSystemInformation::CPUType() const
{
    return int32ForSysctlName("hw.cputype", nullptr);
}

QVariant VostSystemInformation::CPUSubtype() const
{
    return int32ForSysctlName("hw.cpusubtype", nullptr);
}

QVariant VostSystemInformation::numberOfCPUs() const
{
    return int32ForSysctlName("hw.ncpu", nullptr);
}

QVariant VostSystemInformation::physicalCPUs() const
{
    return int32ForSysctlName("hw.physicalcpu", nullptr);
}

QVariant VostSystemInformation::logicalCPUs() const
{
    return int32ForSysctlName("hw.logicalcpu", nullptr);
}

QVariant VostSystemInformation::systemVersion() const
{
    const QString version = osReleaseField(QStringLiteral("VERSION_ID"));
    if (!version.isEmpty())
        return version;
    utsname names{};
    if (::uname(&names) != 0)
        return {};
    return QString::fromLatin1(names.release);
}

QVariant VostSystemInformation::systemBuildVersion() const
{
    const QString build = osReleaseField(QStringLiteral("BUILD_ID"));
    if (!build.isEmpty())
        return build;
    utsname names{};
    if (::uname(&names) != 0)
        return {};
    return QString::fromLatin1(names.release);
}
