// crash-on-purpose BUNDLE MODE [DEFAULTS_FILE]: installs the crash log writer
// as Tolvane's executables do, for the bundle named, then dies:
//   segv      writes through a bad pointer
//   throw     lets an exception escape main
//   defaults  crashes while another thread keeps saving a defaults store in
//             DEFAULTS_FILE (each save is atomic, so the file must survive)
#include "VostCrashReporter.h"
#include "core/Bundle.h"
#include "core/UserDefaults.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <thread>

// An unmapped address the compiler cannot see through.
volatile std::uintptr_t g_badAddress = 16;

// Exported and not inlined, so the backtrace can name it.
extern "C" __attribute__((noinline, visibility("default"))) void crashOnPurpose()
{
    *reinterpret_cast<volatile int*>(g_badAddress) = 1;
}

namespace {

[[noreturn]] void crashWhileSaving(const QString& path)
{
    UserDefaults defaults(path);
    std::atomic<int> saved{0};
    std::thread writer([&] {
        for (int i = 0;; ++i) {
            defaults.setValue(QString(4096, QLatin1Char('a' + i % 26)), QStringLiteral("Payload"));
            defaults.setValue(i, QStringLiteral("Counter"));
            saved.store(i + 1);
        }
    });
    while (saved.load() < 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    crashOnPurpose();
    writer.join();
    std::abort();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    Bundle::setMainBundlePath(QString::fromLocal8Bit(argv[1]));
    if (!VostCrashReporter::installCrashLogWriter())
        return 3;
    const QByteArray mode(argv[2]);
    if (mode == "segv")
        crashOnPurpose();
    else if (mode == "throw")
        throw std::runtime_error("thrown on purpose");
    else if (mode == "defaults" && argc > 3)
        crashWhileSaving(QString::fromLocal8Bit(argv[3]));
    return 4;
}
