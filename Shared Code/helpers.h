#pragma once

#include <QString>

class RunDelegate;

/// The file-system operations of the runs: deleting an exported file,
/// testing readability, and making sure an exported file can be read, asking
/// the user for access to the library when it cannot.
///
/// Stateless; called from a run's thread. fileExists() blocks that thread
/// while the main thread asks the user.
class helpers {
public:
    /// Removes the file or folder at `path`; every error, a missing file
    /// included, is ignored.
    static void deleteFile(const QString& path);
    /// The instance form the engine keeps; same behaviour.
    void deleteFileAt(const QString& path) const { deleteFile(path); }

    /// Whether this process may read the file at `path`.
    static bool fileReadable(const QString& path);

    /// Whether the file exists and is readable. A file that exists but cannot
    /// be read makes the delegate ask for access to the library package that
    /// holds it (or the file itself) before readability is tested again.
    /// A null path (no file) gives false.
    static bool fileExists(const QString& path, RunDelegate* appDelegate);

    /// The item to ask read access for: the path cut right after the first
    /// ".aplibrary", else after the first ".photolibrary" (case-sensitive),
    /// else the path itself.
    static QString accessRequestPath(const QString& path);
};
