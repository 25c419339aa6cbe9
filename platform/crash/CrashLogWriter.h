#pragma once

#include <QString>

/// Writes a crash log when the process dies of a fatal signal (SIGSEGV,
/// SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP) or of an uncaught exception,
/// since nothing on this platform writes one for us.
///
/// install() is called by each executable first thing in main(), on the main
/// thread, before other threads start. It creates the log folder, computes
/// every text the log needs and warms up backtrace(), so that the handler
/// itself allocates nothing, takes no lock and calls no Qt: it formats into
/// a static buffer and writes with write(2). One file
/// `<name>_<yyyy-MM-dd-HHmmss>_<host>.crash` is written per crash, holding
/// the process, executable, identifier, version, date, system, signal and
/// code, fault address, crashing thread, backtrace and memory map. Then the
/// signal's default action is restored and the signal raised again, so the
/// system's own core handling still sees the crash. install() returns false
/// (and installs nothing) when the folder cannot be made.
class CrashLogWriter {
public:
    struct Facts {
        QString folder;           ///< where logs go; created when missing
        QString bundleName;       ///< first part of the file name
        QString bundleIdentifier; ///< e.g. org.example.App
        QString version;          ///< short version
        QString buildVersion;     ///< build number
    };

    static bool install(const Facts& facts);
    /// The folder given to the last successful install(); empty before.
    static QString folder();
};
