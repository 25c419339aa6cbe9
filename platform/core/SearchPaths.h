#pragma once

#include <QString>
#include <QStringList>

/// The standard folders of the desktop by kind and domain: where logs,
/// applications and downloads live for this user and for the machine.
///
/// User domain: Library is `$XDG_STATE_HOME` (default `~/.local/state`, the
/// place for logs such as crash logs), Applications is `~/Applications`,
/// Downloads the XDG download folder. Local domain: Library is
/// `/usr/local/share`, Applications is `/opt`; it has no Downloads folder.
/// Paths are absolute, with the home folder written out and no closing slash.
///
/// Tests move the local domain under a folder of their own with
/// setLocalDomainRootForTesting(); the user domain follows `HOME` and the XDG
/// variables, which tests point at temporary folders. Any thread may read;
/// set the test root before other threads start.
class SearchPaths {
public:
    enum class Directory { Library, Applications, Downloads };
    enum Domain { UserDomain = 0x1, LocalDomain = 0x2 };
    /// Both domains, for the list form (an int, so it picks that overload).
    static constexpr int AllDomains = UserDomain | LocalDomain;

    /// The folders of a kind in the domains asked for, user domain first.
    static QStringList forDirectory(Directory directory, int domains);
    /// The folder of a kind in one domain; empty when that domain has none.
    static QString forDirectory(Directory directory, Domain domain);

    /// Puts the local domain's folders under root (empty: the real ones).
    static void setLocalDomainRootForTesting(const QString& root);
};
