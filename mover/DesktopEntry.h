#pragma once

#include <QString>

/// The desktop entry that lists an application bundle in the desktop's
/// launcher: `$XDG_DATA_HOME/applications/<bundle identifier>.desktop`.
///
/// Made from the entry the bundle carries in its resources, with the
/// command and icon pointed at the bundle's place. Any thread.
class DesktopEntry {
public:
    /// Writes (or replaces) the user's entry for the bundle at bundlePath.
    static bool writeForBundle(const QString& bundlePath);
    /// The entry's text for a bundle at bundlePath.
    static QString textForBundle(const QString& bundlePath);
    /// A path as one argument of an entry's Exec key, quoted and escaped.
    static QString execArgument(const QString& path);
};
