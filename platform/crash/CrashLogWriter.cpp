#include "CrashLogWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <typeinfo>
#include <unistd.h>

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP};
constexpr std::size_t kTextSize = 1024;
constexpr int kMaxFrames = 128;

// Everything the handler prints that is known before the crash, as plain
// zero-terminated arrays: the handler may not allocate.
struct Prepared {
    char filePrefix[kTextSize]; // "<folder>/<name>_"
    char fileSuffix[kTextSize]; // "_<host>.crash"
    char processName[kTextSize];
    char executable[kTextSize];
    char identifier[kTextSize];
    char version[kTextSize];
    char system[kTextSize];
    long utcOffsetSeconds; // local time minus UTC at install
    char terminateReason[kTextSize];
};

Prepared g_prepared;
QString g_folder;
std::atomic<long> g_handlingThread{0}; // the thread writing a log, 0 when none
alignas(16) char g_alternateStack[64 * 1024];

void copyText(char (&target)[kTextSize], const QByteArray& text)
{
    const std::size_t length = std::min<std::size_t>(text.size(), kTextSize - 1);
    std::memcpy(target, text.constData(), length);
    target[length] = '\0';
}

// A small line writer over write(2) with a fixed buffer.
class Output {
public:
    explicit Output(int fd) : m_fd(fd) {}
    ~Output() { flush(); }

    Output& text(const char* s)
    {
        while (s && *s) {
            if (m_length == sizeof(m_buffer))
                flush();
            m_buffer[m_length++] = *s++;
        }
        return *this;
    }
    Output& number(unsigned long long value, unsigned base = 10, int width = 0)
    {
        char digits[32];
        int count = 0;
        do {
            digits[count++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value != 0 && count < 32);
        for (int pad = count; pad < width; ++pad)
            text("0");
        char one[2] = {0, 0};
        while (count > 0) {
            one[0] = digits[--count];
            text(one);
        }
        return *this;
    }
    Output& field(const char* label, const char* value)
    {
        return text(label).text(value).text("\n");
    }
    void flush()
    {
        std::size_t done = 0;
        while (done < m_length) {
            const ssize_t written = ::write(m_fd, m_buffer + done, m_length - done);
            if (written <= 0)
                break;
            done += static_cast<std::size_t>(written);
        }
        m_length = 0;
    }

private:
    int m_fd;
    char m_buffer[512];
    std::size_t m_length = 0;
};

struct CivilTime {
    long long year;
    unsigned month, day, hour, minute, second;
};

// Days since 1970-01-01 to a calendar date (proleptic Gregorian); plain
// arithmetic, since localtime_r may take a lock.
CivilTime civilTime(long long seconds)
{
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    CivilTime t{};
    t.day = dayOfYear - (153 * mp + 2) / 5 + 1;
    t.month = mp < 10 ? mp + 3 : mp - 9;
    t.year = static_cast<long long>(yearOfEra) + era * 400 + (t.month <= 2 ? 1 : 0);
    t.hour = static_cast<unsigned>(rest / 3600);
    t.minute = static_cast<unsigned>(rest % 3600 / 60);
    t.second = static_cast<unsigned>(rest % 60);
    return t;
}

const char* signalName(int signo)
{
    switch (signo) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGILL:
        return "SIGILL";
    case SIGFPE:
        return "SIGFPE";
    case SIGABRT:
        return "SIGABRT";
    case SIGTRAP:
        return "SIGTRAP";
    default:
        return "signal";
    }
}

const char* codeName(int signo, int code)
{
    switch (code) {
    case SI_USER:
        return "SI_USER";
    case SI_TKILL:
        return "SI_TKILL";
    case SI_QUEUE:
        return "SI_QUEUE";
    case SI_KERNEL:
        return "SI_KERNEL";
    default:
        break;
    }
    if (signo == SIGSEGV) {
        switch (code) {
        case SEGV_MAPERR:
            return "SEGV_MAPERR";
        case SEGV_ACCERR:
            return "SEGV_ACCERR";
        default:
            break;
        }
    }
    if (signo == SIGBUS) {
        switch (code) {
        case BUS_ADRALN:
            return "BUS_ADRALN";
        case BUS_ADRERR:
            return "BUS_ADRERR";
        case BUS_OBJERR:
            return "BUS_OBJERR";
        default:
            break;
        }
    }
    if (signo == SIGFPE) {
        switch (code) {
        case FPE_INTDIV:
            return "FPE_INTDIV";
        case FPE_INTOVF:
            return "FPE_INTOVF";
        case FPE_FLTDIV:
            return "FPE_FLTDIV";
        case FPE_FLTOVF:
            return "FPE_FLTOVF";
        case FPE_FLTUND:
            return "FPE_FLTUND";
        case FPE_FLTRES:
            return "FPE_FLTRES";
        case FPE_FLTINV:
            return "FPE_FLTINV";
        default:
            break;
        }
    }
    if (signo == SIGILL) {
        switch (code) {
        case ILL_ILLOPC:
            return "ILL_ILLOPC";
        case ILL_ILLOPN:
            return "ILL_ILLOPN";
        case ILL_PRVOPC:
            return "ILL_PRVOPC";
        default:
            break;
        }
    }
    return "code";
}

// Opens a new log; a second crash within the same second gets the process
// id added rather than overwriting the first.
int openLog(const CivilTime& t)
{
    char path[3 * kTextSize];
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::size_t length = 0;
        const auto append = [&](const char* s) {
            while (*s && length + 1 < sizeof(path))
                path[length++] = *s++;
        };
        const auto appendNumber = [&](unsigned long long value, int width) {
            char digits[24];
            int count = 0;
            do {
                digits[count++] = static_cast<char>('0' + value % 10);
                value /= 10;
            } while (value != 0);
            for (int pad = count; pad < width; ++pad)
                append("0");
            char one[2] = {0, 0};
            while (count > 0) {
                one[0] = digits[--count];
                append(one);
            }
        };
        append(g_prepared.filePrefix);
        appendNumber(static_cast<unsigned long long>(t.year), 4);
        append("-");
        appendNumber(t.month, 2);
        append("-");
        appendNumber(t.day, 2);
        append("-");
        appendNumber(t.hour, 2);
        appendNumber(t.minute, 2);
        appendNumber(t.second, 2);
        if (attempt == 1) {
            append("-");
            appendNumber(static_cast<unsigned long long>(::getpid()), 0);
        }
        append(g_prepared.fileSuffix);
        path[length] = '\0';
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void writeDate(Output& out, const CivilTime& t, long milliseconds)
{
    out.number(static_cast<unsigned long long>(t.year), 10, 4).text("-");
    out.number(t.month, 10, 2).text("-").number(t.day, 10, 2).text(" ");
    out.number(t.hour, 10, 2).text(":").number(t.minute, 10, 2).text(":");
    out.number(t.second, 10, 2)
        .text(".")
        .number(static_cast<unsigned long long>(milliseconds), 10, 3);
    const long offset = g_prepared.utcOffsetSeconds;
    const unsigned long magnitude = static_cast<unsigned long>(offset < 0 ? -offset : offset);
    out.text(offset < 0 ? " -" : " +")
        .number(magnitude / 3600, 10, 2)
        .number(magnitude % 3600 / 60, 10, 2);
    out.text("\n");
}

void writeThread(Output& out)
{
    char name[17] = {0};
    ::prctl(PR_GET_NAME, name, 0, 0, 0);
    out.text("Crashed Thread:  ").number(static_cast<unsigned long long>(::syscall(SYS_gettid)));
    out.text(" (").text(name).text(")\n");
}

void writeBacktrace(Output& out, int fd)
{
    void* frames[kMaxFrames];
    const int count = ::backtrace(frames, kMaxFrames);
    out.text("\nBacktrace:\n");
    out.flush();
    ::backtrace_symbols_fd(frames, count, fd);
}

void writeMemoryMap(Output& out, int fd)
{
    out.text("\nMemory Map:\n");
    out.flush();
    const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0)
        return;
    char chunk[4096];
    ssize_t got;
    while ((got = ::read(maps, chunk, sizeof chunk)) > 0) {
        if (::write(fd, chunk, static_cast<std::size_t>(got)) != got)
            break;
    }
    ::close(maps);
}

// Writes one log. Async-signal-safe: only syscalls and static buffers.
void writeLog(int signo, const siginfo_t* info, const char* reason)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const CivilTime t = civilTime(now.tv_sec + g_prepared.utcOffsetSeconds);
    const int fd = openLog(t);
    if (fd < 0)
        return;
    {
        Output out(fd);
        out.text("Process:         ").text(g_prepared.processName).text(" [");
        out.number(static_cast<unsigned long long>(::getpid())).text("]\n");
        out.field("Path:            ", g_prepared.executable);
        out.field("Identifier:      ", g_prepared.identifier);
        out.field("Version:         ", g_prepared.version);
        out.text("Date/Time:       ");
        writeDate(out, t, now.tv_nsec / 1000000);
        out.field("OS Version:      ", g_prepared.system);
        writeThread(out);
        out.text("\nException Type:  ").text(signalName(signo)).text("\n");
        if (info) {
            out.text("Exception Codes: ").text(codeName(signo, info->si_code)).text(" (");
            out.number(static_cast<unsigned long long>(static_cast<unsigned>(info->si_code)));
            // The kernel fills in the address of a fault; a sent signal
            // carries its sender instead.
            if (info->si_code > 0) {
                out.text(") at 0x");
                out.number(reinterpret_cast<unsigned long long>(info->si_addr), 16, 16);
            } else {
                out.text(") sent by process ");
                out.number(static_cast<unsigned long long>(info->si_pid));
            }
            out.text("\n");
        }
        if (reason && *reason)
            out.field("Termination Reason: ", reason);
        writeBacktrace(out, fd);
        writeMemoryMap(out, fd);
    }
    ::fsync(fd);
    ::close(fd);
}

void restoreDefault(int signo)
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signo, &action, nullptr);
}

// Claims the writing of the one log for this thread. Another thread that
// crashes meanwhile waits: the first re-raises and ends the process. A
// crash inside the writing itself ends the process at once.
bool claimLog(int signo)
{
    const long self = ::syscall(SYS_gettid);
    long expected = 0;
    if (g_handlingThread.compare_exchange_strong(expected, self))
        return true;
    if (expected == self) {
        restoreDefault(signo);
        ::raise(signo);
        return false;
    }
    for (;;)
        ::pause();
}

void onFatalSignal(int signo, siginfo_t* info, void*)
{
    if (!claimLog(signo))
        return;
    writeLog(signo, info, nullptr);
    restoreDefault(signo);
    // A fault re-executes its instruction on return; a sent signal is
    // raised again. Either way the default action now ends the process.
    ::raise(signo);
}

// Not a signal context: may allocate to learn the exception's type and text.
void onTerminate()
{
    if (claimLog(SIGABRT)) {
        QByteArray reason = "terminate called";
        if (const std::exception_ptr current = std::current_exception()) {
            const std::type_info* type = abi::__cxa_current_exception_type();
            QByteArray typeName = type ? type->name() : "unknown";
            int status = 0;
            if (char* demangled =
                    abi::__cxa_demangle(typeName.constData(), nullptr, nullptr, &status)) {
                typeName = demangled;
                std::free(demangled);
            }
            reason = "uncaught exception of type " + typeName;
            try {
                std::rethrow_exception(current);
            } catch (const std::exception& error) {
                reason += ": " + QByteArray(error.what());
            } catch (...) {
            }
        }
        copyText(g_prepared.terminateReason, reason);
        writeLog(SIGABRT, nullptr, g_prepared.terminateReason);
    }
    restoreDefault(SIGABRT);
    std::abort();
}

void prepare(const CrashLogWriter::Facts& facts)
{
    char host[256] = {0};
    ::gethostname(host, sizeof host - 1);
    // The short host name, as the file name wants one word.
    if (char* dot = std::strchr(host, '.'))
        *dot = '\0';
    copyText(g_prepared.filePrefix, QFile::encodeName(facts.folder + QLatin1Char('/') +
                                                      facts.bundleName + QLatin1Char('_')));
    copyText(g_prepared.fileSuffix, "_" + QByteArray(host) + ".crash");
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    copyText(g_prepared.executable, QFile::encodeName(executable));
    copyText(g_prepared.processName, QFile::encodeName(QFileInfo(executable).fileName()));
    copyText(g_prepared.identifier, facts.bundleIdentifier.toUtf8());
    copyText(
        g_prepared.version,
        (facts.version + QStringLiteral(" (") + facts.buildVersion + QLatin1Char(')')).toUtf8());
    utsname names{};
    if (::uname(&names) == 0) {
        copyText(g_prepared.system, QByteArray(names.sysname) + ' ' + names.release + ' ' +
                                        names.version + ' ' + names.machine);
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    g_prepared.utcOffsetSeconds = local.tm_gmtoff;
}

} // namespace

bool CrashLogWriter::install(const Facts& facts)
{
    if (!QDir().mkpath(facts.folder) || !QFileInfo(facts.folder).isDir())
        return false;
    prepare(facts);
    g_folder = facts.folder;
    // backtrace() loads its unwinder on first use, which allocates: do it now.
    void* warmUp[4];
    ::backtrace(warmUp, 4);

    // A stack overflow leaves no stack to run on: the handler gets its own.
    stack_t stack{};
    stack.ss_sp = g_alternateStack;
    stack.ss_size = sizeof g_alternateStack;
    ::sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signo : kFatalSignals)
        ::sigaction(signo, &action, nullptr);
    std::set_terminate(onTerminate);
    return true;
}

QString CrashLogWriter::folder()
{
    return g_folder;
}
