#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

/// What a run may leave in the stand-in library, judged against a snapshot
/// taken before it: every original untouched or completely replaced, and no
/// new image that is neither complete nor taken out into the trash.
///
/// A replacement is complete when each new image carries the original's
/// name, rating, flag and project, its keywords (without the originals
/// keyword) followed by the run's keyword, and joins each of its albums.
/// Checked with the run's switches all on (tag, hide, album, trash).
class LibraryInvariant {
public:
    struct Run {
        qint64 option = 0;
        /// New images per replaced original: 1 for a conversion, 2 for a
        /// pair split into both halves.
        int newImagesPerOriginal = 1;
        QString keyword = QStringLiteral("Tolvane Processed");
    };

    LibraryInvariant(const QJsonObject& before, const QStringList& originals, Run run);

    /// One line per breach; empty when the library is as it must be. With
    /// the library dead mid-image an original may be left untouched beside
    /// a new image that is not complete (the next run repairs it), and a
    /// replaced original may lack its keyword.
    QStringList breaches(const QJsonObject& after, bool libraryAlive) const;
    /// Originals hidden or moved in `after`, with a complete replacement.
    int replaced(const QJsonObject& after) const;
    /// Live new images that are not complete.
    int incompleteNewImages(const QJsonObject& after) const;

    /// Problems of the database and the masters it names: SQLite's own check,
    /// and every master file of a live version present and not empty.
    static QStringList unsoundness(const QString& library);

private:
    QList<QJsonObject> liveNewImages(const QJsonObject& after) const;
    QList<QJsonObject> liveNewImagesNamed(const QJsonObject& after, const QString& name) const;
    bool isCompleteReplacement(const QJsonObject& after, const QJsonObject& image) const;
    bool isComplete(const QJsonObject& after, const QJsonObject& image,
                    const QJsonObject& original) const;
    bool isReplaced(const QJsonObject& after, const QString& id) const;

    QJsonObject m_before;
    QStringList m_originals;
    Run m_run;
};
