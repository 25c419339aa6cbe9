#include "SystemLog.h"

#include "Bundle.h"

#include <QMutex>

#include <atomic>
#include <cstdio>
#include <syslog.h>
#include <vector>

struct CapturedLines {
    QMutex mutex;
    QStringList lines;
};

namespace {
QMutex& logMutex()
{
    static QMutex mutex;
    return mutex;
}
std::vector<SystemLog::Capture*>& captures()
{
    static std::vector<SystemLog::Capture*> list;
    return list;
}
std::atomic<bool> g_mirror{true};

void openSyslogOnce()
{
    static bool opened = false;
    if (opened)
        return;
    opened = true;
    // openlog keeps the pointer: the identity must live as long as the process.
    static const QByteArray ident = Bundle::main().bundleName().toUtf8();
    openlog(ident.constData(), LOG_PID, LOG_USER);
}
} // namespace

void SystemLog::log(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    QMutexLocker lock(&logMutex());
    openSyslogOnce();
    syslog(LOG_NOTICE, "%s", bytes.constData());
    if (g_mirror.load())
        std::fprintf(stderr, "%s\n", bytes.constData());
    for (Capture* capture : captures())
        capture->append(line);
}

void SystemLog::setMirrorToStandardError(bool on)
{
    g_mirror.store(on);
}

SystemLog::Capture::Capture() : m_lines(std::make_unique<CapturedLines>())
{
    QMutexLocker lock(&logMutex());
    captures().push_back(this);
}

SystemLog::Capture::~Capture()
{
    {
        QMutexLocker lock(&logMutex());
        std::erase(captures(), this);
    }
}

void SystemLog::Capture::append(const QString& line)
{
    QMutexLocker lock(&m_lines->mutex);
    m_lines->lines.append(line);
}

QStringList SystemLog::Capture::lines() const
{
    QMutexLocker lock(&m_lines->mutex);
    return m_lines->lines;
}

bool SystemLog::Capture::contains(const QString& line) const
{
    return lines().contains(line);
}

int SystemLog::Capture::count(const QString& line) const
{
    return static_cast<int>(lines().count(line));
}

void SystemLog::Capture::clear()
{
    QMutexLocker lock(&m_lines->mutex);
    m_lines->lines.clear();
}
