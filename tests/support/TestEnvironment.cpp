#include "TestEnvironment.h"

#include "core/Bundle.h"
#include "core/SystemLog.h"

#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir>& root()
{
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}
std::atomic<int> g_scratch{0};
} // namespace

void TestEnvironment::setUp()
{
    root() =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tolvane-test-XXXXXX"));
    const QString base = root()->path();
    const auto set = [&](const char* name, const QString& sub) {
        const QString path = base + sub;
        QDir().mkpath(path);
        qputenv(name, path.toUtf8());
    };
    set("HOME", QStringLiteral("/home"));
    set("XDG_CONFIG_HOME", QStringLiteral("/home/.config"));
    set("XDG_DATA_HOME", QStringLiteral("/home/.local/share"));
    set("XDG_CACHE_HOME", QStringLiteral("/home/.cache"));
    set("XDG_STATE_HOME", QStringLiteral("/home/.local/state"));
    set("XDG_RUNTIME_DIR", QStringLiteral("/runtime"));
    QFile::setPermissions(base + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    set("TMPDIR", QStringLiteral("/tmp"));
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    Bundle::setMainBundlePath(QStringLiteral(TOLVANE_TEST_BUNDLE_DIR));
    if (!qEnvironmentVariableIsSet("TOLVANE_TEST_VERBOSE"))
        SystemLog::setMirrorToStandardError(false);
}

QString TestEnvironment::home()
{
    return root()->path() + QStringLiteral("/home");
}

QString TestEnvironment::makeScratchDir(const QString& hint)
{
    const QString path =
        root()->path() + QStringLiteral("/scratch/%1-%2").arg(hint).arg(++g_scratch);
    QDir().mkpath(path);
    return path;
}
