// Machine facts read from the kernel's files, here from a folder of our own
// standing in for the root; and what is absent when they cannot be read.
#include "TestEnvironment.h"
#include "VostSystemInformation.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/utsname.h>

// The friend the class grants its private parts to.
class VostSystemInformationTest : public ::testing::Test {
protected:
    void SetUp() override { m_root = TestEnvironment::makeScratchDir(QStringLiteral("root")); }
    void write(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(m_root + path).path());
        QFile file(m_root + path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    VostSystemInformation information() const
    {
        VostSystemInformation info;
        info.m_root = m_root;
        return info;
    }
    static QVariant stringForMIB(const VostSystemInformation& info, const int* mib)
    {
        return info.stringForMIB(mib, 2, nullptr);
    }
    static QVariant int32(const VostSystemInformation& info, const char* name)
    {
        return info.int32ForSysctlName(name, nullptr);
    }

    QString m_root;
};

class TheVostSystemInformation : public VostSystemInformationTest {};

namespace {

QString kernelRelease()
{
    utsname names{};
    ::uname(&names);
    return QString::fromLatin1(names.release);
}

} // namespace

TEST_F(TheVostSystemInformation, readsTheProcessorTheModelAndTheSystemFromTheirFiles)
{
    write(QStringLiteral("/proc/cpuinfo"),
          "processor\t: 0\ncpu family\t: 4294967295\nmodel\t\t: 0x8f\nstepping\t: 8\n"
          "cpu MHz\t\t: 2400.125\nphysical id\t: 0\ncore id\t\t: 0\n\n"
          "processor\t: 1\ncpu family\t: 6\nphysical id\t: 0\ncore id\t\t: 0\n\n"
          "processor\t: 2\nphysical id\t: 0\ncore id\t\t: 1\n");
    write(QStringLiteral("/sys/class/dmi/id/product_name"), "Standard PC (Q35)\n");
    write(QStringLiteral("/etc/os-release"),
          "NAME=\"Debian\"\nVERSION_ID=\"12\"\nBUILD_ID=rolling\n");
    const VostSystemInformation info = information();

    EXPECT_EQ(info.CPUFamily(), QVariant(qint64(-1))) << "top bit of a 4-byte value is its sign";
    EXPECT_EQ(info.CPUType(), QVariant(qint64(0x8f)));
    EXPECT_EQ(info.CPUSubtype(), QVariant(qint64(8)));
    EXPECT_EQ(info.CPUFrequency(), QVariant(qint64(2400000000LL)));
    EXPECT_EQ(info.physicalCPUs(), QVariant(qint64(2)));
    EXPECT_EQ(info.model(), QVariant(QStringLiteral("Standard PC (Q35)"))) << "no line end kept";
    EXPECT_EQ(info.systemVersion(), QVariant(QStringLiteral("12")));
    EXPECT_EQ(info.systemBuildVersion(), QVariant(QStringLiteral("rolling")));
    EXPECT_FALSE(info.busFrequency().isValid());

    write(QStringLiteral("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"), "3100000\n");
    EXPECT_EQ(info.CPUFrequency(), QVariant(qint64(3100000000LL))) << "cpufreq comes first";
}

TEST_F(TheVostSystemInformation, leavesOutWhatCannotBeReadAndFallsBackToTheKernelRelease)
{
    const VostSystemInformation info = information();
    EXPECT_FALSE(info.model().isValid());
    EXPECT_FALSE(info.CPUFamily().isValid());
    EXPECT_FALSE(info.CPUFrequency().isValid());
    EXPECT_EQ(info.systemVersion(), QVariant(kernelRelease()));
    EXPECT_EQ(info.systemBuildVersion(), QVariant(kernelRelease()));
    // Read from the kernel itself, not from files.
    EXPECT_FALSE(info.machine().toString().isEmpty());
    EXPECT_GT(info.physicalMemory().toLongLong(), 0);
    EXPECT_GT(info.numberOfCPUs().toLongLong(), 0);
    EXPECT_GT(info.logicalCPUs().toLongLong(), 0);

    const int unknown[2] = {6, 99};
    EXPECT_FALSE(stringForMIB(info, unknown).isValid());
    EXPECT_THROW(stringForMIB(info, nullptr), std::invalid_argument);
    EXPECT_THROW(int32(info, nullptr), std::invalid_argument);
    EXPECT_EQ(&VostSystemInformation::instance(), &VostSystemInformation::instance());
}
