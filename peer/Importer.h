#pragma once

#include "CatalogRecords.h"

#include <QList>
#include <QRandomGenerator>
#include <QStringList>

class Catalog;
class Library;

/// Brings image files into a library, one image version per master: a RAW
/// file and a JPEG file of the same base name in the same folder make one
/// master (a RAW+JPEG pair, the RAW first); every other file is a master of
/// its own.
///
/// The caller holds a write transaction. importFiles() reads every file
/// first (any file that is not an image the library reads fails the whole
/// import with PeerError and changes nothing), records the rows and, in Move
/// mode, links or copies the files into Masters/. After the commit the caller
/// calls committed(), which removes the moved files from where they were;
/// without it the destructor removes the copies again, and the folders the
/// import made for them. So a library never refers to a file that is not
/// there, a failed import leaves Masters/ as it was, and a file is never
/// lost. One thread.
class Importer {
public:
    enum class Mode { Move, Reference };

    Importer(Library& library, Catalog& catalog, QRandomGenerator& ids);
    ~Importer();
    Importer(const Importer&) = delete;
    Importer& operator=(const Importer&) = delete;

    /// Imports the files (paths or file URLs) into the project; returns the
    /// new versions in the order of their masters' first files.
    QList<VersionRecord> importFiles(const QStringList& files, Mode mode, qint64 projectId);
    /// The transaction has committed: moved files leave their old places.
    void committed();

    /// The masters the files make, in order: pairs as [RAW, JPEG].
    static QList<QStringList> groupMasters(const QStringList& paths);
    /// A new version id: 22 letters and digits.
    static QString newVersionId(QRandomGenerator& random);

private:
    VersionRecord importMaster(const QStringList& files, Mode mode, qint64 projectId);
    QString placeInLibrary(const QString& source, const QString& uuid);
    /// Makes the folder unless it is there, and notes it for the undo.
    void makeFolder(const QString& folder);

    Library& m_library;
    Catalog& m_catalog;
    QRandomGenerator& m_ids;
    QStringList m_placed;       // copies made in Masters/, undone unless committed
    QStringList m_madeFolders;  // in the order made, removed unless committed
    QStringList m_movedSources; // removed once committed
    bool m_committed = false;
};
