#include "LibraryInvariant.h"

#include "PeerProcess.h"

#include <QFileInfo>
#include <QJsonArray>

#include <sqlite3.h>

namespace {

const QString kOriginalsKeyword = QStringLiteral("Tolvane Original");
const QString kTrashProject = QStringLiteral("TolvaneTrashedImages");

QStringList keywordNames(const QJsonObject& version)
{
    QStringList names;
    for (const QJsonValue& keyword : version.value("keywords").toArray())
        names.append(keyword.toObject().value("name").toString());
    return names;
}

QJsonObject projectHolding(const QJsonObject& library, const QString& id)
{
    for (const QJsonValue& project : library.value("projects").toArray())
        if (project.toObject().value("versions").toArray().contains(QJsonValue(id)))
            return project.toObject();
    return {};
}

// In a trashed project, or in the trash project that a run deletes at its end.
bool isTakenOut(const QJsonObject& library, const QString& id)
{
    const QJsonObject project = projectHolding(library, id);
    return project.value("trashed").toBool() || project.value("name").toString() == kTrashProject;
}

QStringList albumsHolding(const QJsonObject& library, const QString& id)
{
    QStringList names;
    for (const QJsonValue& album : library.value("albums").toArray())
        if (album.toObject().value("versions").toArray().contains(QJsonValue(id)))
            names.append(album.toObject().value("name").toString());
    return names;
}

QString nameOf(const QJsonObject& version)
{
    return version.value("name").toString();
}

} // namespace

LibraryInvariant::LibraryInvariant(const QJsonObject& before, const QStringList& originals, Run run)
    : m_before(before), m_originals(originals), m_run(std::move(run))
{}

QList<QJsonObject> LibraryInvariant::liveNewImages(const QJsonObject& after) const
{
    QList<QJsonObject> found;
    for (const QJsonValue& value : after.value("versions").toArray()) {
        const QJsonObject version = value.toObject();
        const QString id = version.value("id").toString();
        if (PeerProcess::versionIn(m_before, id).isEmpty() && !isTakenOut(after, id))
            found.append(version);
    }
    return found;
}

QList<QJsonObject> LibraryInvariant::liveNewImagesNamed(const QJsonObject& after,
                                                        const QString& name) const
{
    QList<QJsonObject> found = liveNewImages(after);
    found.removeIf([&](const QJsonObject& image) { return nameOf(image) != name; });
    return found;
}

// A live new image counts as complete only beside the original it replaces.
bool LibraryInvariant::isCompleteReplacement(const QJsonObject& after,
                                             const QJsonObject& image) const
{
    return std::any_of(m_originals.cbegin(), m_originals.cend(), [&](const QString& id) {
        const QJsonObject was = PeerProcess::versionIn(m_before, id);
        return nameOf(was) == nameOf(image) && isComplete(after, image, was);
    });
}

bool LibraryInvariant::isComplete(const QJsonObject& after, const QJsonObject& image,
                                  const QJsonObject& original) const
{
    QStringList keywords = keywordNames(original);
    keywords.removeAll(kOriginalsKeyword);
    keywords.append(m_run.keyword);
    const QString originalId = original.value("id").toString();
    const QStringList albums = albumsHolding(m_before, originalId);
    const QStringList joined = albumsHolding(after, image.value("id").toString());
    return keywordNames(image) == keywords &&
           image.value("mainRating") == original.value("mainRating") &&
           image.value("flagged") == original.value("flagged") &&
           projectHolding(after, image.value("id").toString()).value("id") ==
               projectHolding(m_before, originalId).value("id") &&
           std::all_of(albums.cbegin(), albums.cend(),
                       [&](const QString& album) { return joined.contains(album); });
}

bool LibraryInvariant::isReplaced(const QJsonObject& after, const QString& id) const
{
    const QJsonObject now = PeerProcess::versionIn(after, id);
    return now.value("mainRating").toInt() == -1 || isTakenOut(after, id);
}

QStringList LibraryInvariant::breaches(const QJsonObject& after, bool libraryAlive) const
{
    QStringList found;
    for (const QString& id : m_originals) {
        const QJsonObject was = PeerProcess::versionIn(m_before, id);
        const QJsonObject now = PeerProcess::versionIn(after, id);
        const QList<QJsonObject> images = liveNewImagesNamed(after, nameOf(was));
        const auto complete = std::count_if(images.cbegin(), images.cend(), [&](const auto& i) {
            return isComplete(after, i, was);
        });
        if (isReplaced(after, id)) {
            if (complete != m_run.newImagesPerOriginal || images.size() != complete)
                found << QStringLiteral("%1 was hidden or moved with %2 complete of %3 new images")
                             .arg(nameOf(was))
                             .arg(complete)
                             .arg(images.size());
            if (libraryAlive &&
                keywordNames(now) != keywordNames(was) + QStringList{kOriginalsKeyword})
                found << QStringLiteral("%1 was replaced but its keywords are %2")
                             .arg(nameOf(was), keywordNames(now).join(QLatin1Char(',')));
            continue;
        }
        if (keywordNames(now) != keywordNames(was) ||
            now.value("mainRating") != was.value("mainRating") ||
            projectHolding(after, id).value("id") != projectHolding(m_before, id).value("id"))
            found << QStringLiteral("%1 was neither left as it was nor replaced").arg(nameOf(was));
        if (libraryAlive && !images.isEmpty())
            found << QStringLiteral("%1 was left as it was beside %2 new images")
                         .arg(nameOf(was))
                         .arg(images.size());
    }
    if (libraryAlive && incompleteNewImages(after) > 0)
        found << QStringLiteral("%1 new images are neither complete nor taken out")
                     .arg(incompleteNewImages(after));
    return found;
}

int LibraryInvariant::replaced(const QJsonObject& after) const
{
    return int(std::count_if(m_originals.cbegin(), m_originals.cend(),
                             [&](const QString& id) { return isReplaced(after, id); }));
}

int LibraryInvariant::incompleteNewImages(const QJsonObject& after) const
{
    const QList<QJsonObject> images = liveNewImages(after);
    return int(std::count_if(images.cbegin(), images.cend(), [&](const QJsonObject& image) {
        return !isCompleteReplacement(after, image);
    }));
}

QStringList LibraryInvariant::unsoundness(const QString& library)
{
    QStringList found;
    sqlite3* db = nullptr;
    const QByteArray path = QFile::encodeName(library + QStringLiteral("/Database/Library.apdb"));
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        found << QStringLiteral("the database does not open: %1").arg(sqlite3_errmsg(db));
        sqlite3_close(db);
        return found;
    }
    sqlite3_stmt* check = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
    while (check && sqlite3_step(check) == SQLITE_ROW) {
        const QString row =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        if (row != QLatin1String("ok"))
            found << row;
    }
    sqlite3_finalize(check);
    sqlite3_close(db);

    const QJsonObject shown = PeerProcess::show(library);
    if (shown.isEmpty())
        found << QStringLiteral("the library cannot be shown");
    for (const QJsonValue& value : shown.value("versions").toArray()) {
        const QJsonObject version = value.toObject();
        if (isTakenOut(shown, version.value("id").toString()))
            continue;
        for (const QJsonValue& master : version.value("masterFiles").toArray()) {
            const QFileInfo file(master.toObject().value("path").toString());
            if (!master.toObject().value("referenced").toBool() && file.size() <= 0)
                found << QStringLiteral("the master %1 is missing or empty").arg(file.filePath());
        }
    }
    return found;
}
