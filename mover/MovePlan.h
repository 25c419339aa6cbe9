#pragma once

#include <QString>

/// Where a bundle would be moved and what the user is told about it: the
/// decisions of the move offer, apart from carrying them out.
///
/// Reads the standard folders (SearchPaths) and the file system, changes
/// nothing. Any thread.
class MovePlan {
public:
    /// Works out the install folder, destination and rights for a bundle.
    explicit MovePlan(const QString& bundlePath);

    /// Whether the bundle already lies in an Applications folder: inside a
    /// standard one of any domain (a plain text prefix test), or with any
    /// component of its path named exactly "Applications".
    static bool isInstalled(const QString& bundlePath);

    QString bundlePath() const { return m_bundlePath; }
    QString installFolder() const { return m_installFolder; }
    bool installsInHomeFolder() const { return m_inHomeFolder; }
    QString destinationPath() const { return m_destinationPath; }
    /// The install folder, or a copy already at the destination, is not writable.
    bool needsRights() const { return m_needsRights; }

    /// The question's title and explanation, translated.
    QString messageText() const;
    QString informativeText() const;

private:
    static bool holdsAnApplication(const QString& folder);

    QString m_bundlePath;
    QString m_installFolder;
    bool m_inHomeFolder = false;
    QString m_destinationPath;
    bool m_needsRights = false;
};
