#pragma once

#include <QString>

/// The processes running on this machine, as far as this user may see them.
/// Reads /proc; any thread.
class RunningProcesses {
public:
    /// Whether any process's executable path begins with `prefix` (a plain
    /// text prefix test, as the path of a bundle's folder is used).
    static bool anyExecutableBeginsWith(const QString& prefix);
};
