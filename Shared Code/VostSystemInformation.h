#pragma once

#include <QString>
#include <QVariant>

#include <optional>

/// Facts about the machine and the operating system for the anonymous part
/// of a crash report. Each answer is read afresh, and is an invalid QVariant
/// when it cannot be read; nothing is reported.
///
/// On this platform the hardware names are answered from `uname`,
/// `sysconf`, `/proc/cpuinfo` and `/sys` (DMI product name, cpufreq), and
/// the system version from `/etc/os-release`. There is no bus frequency.
/// Any thread; instance() is made once under a once-only guard.
class VostSystemInformation {
public:
    VostSystemInformation() = default;
    static VostSystemInformation& instance();

    QVariant machine() const;
    QVariant model() const;
    QVariant physicalMemory() const;
    QVariant busFrequency() const;
    QVariant CPUFrequency() const;
    QVariant CPUFamily() const;
    QVariant CPUType() const;
    QVariant CPUSubtype() const;
    QVariant numberOfCPUs() const;
    QVariant physicalCPUs() const;
    QVariant logicalCPUs() const;
    QVariant systemVersion() const;
    QVariant systemBuildVersion() const;

private:
    friend class VostSystemInformationTest;

    QVariant stringForMIB(const int* mib, unsigned length, QString* error) const;
    QVariant int64ForSysctlName(const char* name, QString* error) const;
    QVariant int32ForSysctlName(const char* name, QString* error) const;

    QString readFile(const QString& path) const;
    QString cpuInfoField(const QString& field) const;
    QString osReleaseField(const QString& field) const;
    std::optional<qint64> int64Value(const char* name) const;

    /// Prefix for every file read; tests point it at a folder of their own.
    QString m_root;
};
