#pragma once

#include <QString>

/// Makes small application bundles for the move tests:
/// `NAME/Contents/{Info.plist, MacOS/Tolvane, Resources/...}`, whose
/// executable is a shell script that appends its own path to a marker file
/// when started, so a test sees whether and when a copy was launched.
class TestBundle {
public:
    /// Creates the bundle at path; the executable writes to markerPath.
    static bool make(const QString& path, const QString& markerPath);
    /// Creates a bundle whose executable is a copy of /bin/sleep, for a
    /// copy that keeps running while a test needs it.
    static bool makeSleeping(const QString& path);
    /// The bundle's executable.
    static QString executable(const QString& path);
};
