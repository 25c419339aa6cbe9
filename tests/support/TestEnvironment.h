#pragma once

#include <QString>

/// Points HOME, the XDG folders and TMPDIR of the test process at a fresh
/// temporary folder, so no test touches the user's real files, and names
/// the build tree's application bundle as the main bundle. Called once by
/// the test main before anything else.
class TestEnvironment {
public:
    static void setUp();
    /// The temporary root that stands for the user's home.
    static QString home();
    /// A new empty folder under the temporary root.
    static QString makeScratchDir(const QString& hint);
};
