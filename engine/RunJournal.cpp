#include "RunJournal.h"

#include "core/SearchPaths.h"
#include "core/SystemLog.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QRegularExpression>
#include <QSqlQuery>

#include <csignal>
#include <unistd.h>

namespace {

const QString kSchema[] = {
    QStringLiteral("CREATE TABLE IF NOT EXISTS runs (id TEXT PRIMARY KEY, library TEXT NOT NULL, "
                   "pid INTEGER NOT NULL, work_folder TEXT, trash_project TEXT, started INTEGER "
                   "NOT NULL, finished INTEGER)"),
    QStringLiteral("CREATE TABLE IF NOT EXISTS images (row INTEGER PRIMARY KEY, run TEXT NOT NULL, "
                   "library TEXT NOT NULL, original_id TEXT NOT NULL, original_ref TEXT NOT NULL, "
                   "name TEXT, project TEXT, option INTEGER, hide INTEGER, trash INTEGER, tag "
                   "INTEGER, parent_keywords TEXT, originals_keyword TEXT, step INTEGER NOT NULL, "
                   "jpeg_path TEXT, jpeg_size INTEGER, new_images TEXT NOT NULL DEFAULT '', "
                   "stray_files TEXT NOT NULL DEFAULT '')"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS images_by_original ON images (library, "
                   "original_id)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS images_by_run ON images (run)"),
};

const QString kSeparator = QStringLiteral("\n");

QStringList splitList(const QString& text)
{
    return text.isEmpty() ? QStringList() : text.split(kSeparator);
}

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

// A run is going on in another process while that process lives.
bool isOtherLiveProcess(qint64 pid)
{
    if (pid <= 0 || pid == ::getpid())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

QString RunJournal::defaultPath()
{
    return SearchPaths::forDirectory(SearchPaths::Directory::Library, SearchPaths::UserDomain) +
           QStringLiteral("/Tolvane/journal.sqlite");
}

RunJournal::RunJournal(const QString& path)
{
    static QAtomicInt counter;
    m_connection = QStringLiteral("tolvane-journal-%1").arg(counter.fetchAndAddRelaxed(1));
    if (!open(path)) {
        setAside(path, QSqlDatabase::database(m_connection, false).lastError().text());
        if (!m_keptAsidePath.isEmpty() && !open(path)) {
            SystemLog::log(QStringLiteral("Run journal %1 could not be opened; this run keeps "
                                          "no journal")
                               .arg(path));
        }
    }
    if (m_open)
        prune();
}

RunJournal::~RunJournal()
{
    {
        QSqlDatabase database = QSqlDatabase::database(m_connection, false);
        database.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool RunJournal::open(const QString& path)
{
    m_open = false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSqlDatabase database =
        QSqlDatabase::contains(m_connection)
            ? QSqlDatabase::database(m_connection, false)
            : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    database.close();
    database.setDatabaseName(path);
    if (!database.open())
        return false;
    m_open = true;
    QSqlQuery check(database);
    const bool sound = check.exec(QStringLiteral("PRAGMA quick_check")) && check.next() &&
                       check.value(0).toString() == QLatin1String("ok");
    check.finish();
    if (sound && exec(QStringLiteral("PRAGMA journal_mode=WAL")) &&
        exec(QStringLiteral("PRAGMA synchronous=NORMAL")) && createTables())
        return true;
    database.close();
    m_open = false;
    return false;
}

bool RunJournal::createTables()
{
    for (const QString& statement : kSchema) {
        if (!exec(statement))
            return false;
    }
    return true;
}

void RunJournal::setAside(const QString& path, const QString& problem)
{
    if (!QFileInfo::exists(path))
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + QStringLiteral(".unreadable-") + stamp + QStringLiteral("-%1").arg(n);
    if (!QFile::rename(path, aside)) {
        SystemLog::log(QStringLiteral("Run journal %1 could not be read (%2) nor kept aside; "
                                      "this run keeps no journal")
                           .arg(path, problem));
        return;
    }
    // The write-ahead log belongs to the damaged file, not to the fresh one.
    for (const char* suffix : {"-wal", "-shm"})
        QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
    m_keptAsidePath = aside;
    SystemLog::log(QStringLiteral("Run journal %1 could not be read (%2); kept it as %3 and "
                                  "started a fresh one")
                       .arg(path, problem, aside));
}

void RunJournal::prune()
{
    const qint64 before = now() - qint64(kKeptDays) * 24 * 3600;
    exec(QStringLiteral("DELETE FROM images WHERE run IN (SELECT id FROM runs WHERE finished < "
                        "?1) AND step >= ?2"),
         {before, int(Done)});
    exec(QStringLiteral("DELETE FROM runs WHERE finished < ?1 AND NOT EXISTS (SELECT 1 FROM "
                        "images WHERE images.run = runs.id)"),
         {before});
}

bool RunJournal::exec(const QString& statement, const QVariantList& values)
{
    if (!m_open)
        return false;
    // Each statement is its own transaction: on disk before the library
    // is asked for the next change.
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    // Statements name their values by number (?1, ?2, ?1); the driver binds
    // by position, once per mark.
    static const QRegularExpression numbered(QStringLiteral("\\?(\\d+)"));
    QVariantList bound;
    QString positional = statement;
    for (const QRegularExpressionMatch& mark : numbered.globalMatch(statement))
        bound.append(values.value(mark.captured(1).toInt() - 1));
    positional.replace(numbered, QStringLiteral("?"));
    if (!query.prepare(positional)) {
        SystemLog::log(QStringLiteral("Run journal: %1").arg(query.lastError().text()));
        return false;
    }
    for (int i = 0; i < bound.size(); ++i)
        query.bindValue(i, bound.at(i));
    if (query.exec())
        return true;
    SystemLog::log(QStringLiteral("Run journal: %1").arg(query.lastError().text()));
    return false;
}

void RunJournal::beginRun(const QString& run, const QString& library, const QString& workFolder)
{
    exec(QStringLiteral("INSERT OR REPLACE INTO runs (id, library, pid, work_folder, started) "
                        "VALUES (?1, ?2, ?3, ?4, ?5)"),
         {run, library, qint64(::getpid()), workFolder, now()});
}

void RunJournal::setTrashProject(const QString& run, const QString& reference)
{
    exec(QStringLiteral("UPDATE runs SET trash_project = ?2 WHERE id = ?1"), {run, reference});
}

void RunJournal::finishRun(const QString& run, const QString& trashProject)
{
    exec(QStringLiteral("UPDATE runs SET finished = ?2, work_folder = NULL, trash_project = "
                        "NULLIF(?3, '') WHERE id = ?1"),
         {run, now(), trashProject});
}

qint64 RunJournal::beginImage(const QString& run, const QString& library, const Image& image)
{
    const Settings& s = image.settings;
    if (!exec(QStringLiteral("INSERT INTO images (run, library, original_id, original_ref, name, "
                             "project, option, hide, trash, tag, parent_keywords, "
                             "originals_keyword, step) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, "
                             "?9, ?10, ?11, ?12, ?13)"),
              {run, library, image.originalId, image.originalReference, image.name, image.project,
               s.option, s.hide, s.trash, s.tag, s.parentKeywords, s.originalsKeyword,
               int(Started)}))
        return 0;
    QSqlQuery last(QSqlDatabase::database(m_connection, false));
    return last.exec(QStringLiteral("SELECT last_insert_rowid()")) && last.next()
               ? last.value(0).toLongLong()
               : 0;
}

void RunJournal::setStep(qint64 row, Step step)
{
    if (row > 0)
        exec(QStringLiteral("UPDATE images SET step = ?2 WHERE row = ?1"), {row, int(step)});
}

void RunJournal::setJpeg(qint64 row, const QString& path, qint64 size, const QString& project)
{
    if (row > 0)
        exec(QStringLiteral("UPDATE images SET jpeg_path = ?2, jpeg_size = ?3, project = ?4, step "
                            "= MAX(step, ?5) WHERE row = ?1"),
             {row, path, size, project, int(Written)});
}

void RunJournal::addNewImage(qint64 row, const QString& reference)
{
    if (row > 0)
        exec(QStringLiteral("UPDATE images SET new_images = CASE new_images WHEN '' THEN ?2 ELSE "
                            "new_images || ?3 || ?2 END, step = MAX(step, ?4) WHERE row = ?1"),
             {row, reference, kSeparator, int(Imported)});
}

void RunJournal::setStrayFiles(qint64 row, const QStringList& files)
{
    if (row > 0)
        exec(QStringLiteral("UPDATE images SET stray_files = ?2 WHERE row = ?1"),
             {row, files.join(kSeparator)});
}

std::optional<QStringList> RunJournal::convertedInto(const QString& library,
                                                     const QString& originalId) const
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT new_images FROM images WHERE library = ?1 AND "
                                 "original_id = ?2 AND step = ?3 ORDER BY row DESC LIMIT 1"));
    query.bindValue(0, library);
    query.bindValue(1, originalId);
    query.bindValue(2, int(Done));
    if (!query.exec() || !query.next())
        return std::nullopt;
    return splitList(query.value(0).toString());
}

QList<RunJournal::Image> RunJournal::unsettledImages(const QString& library,
                                                     const QString& currentRun) const
{
    QList<Image> images;
    if (!m_open)
        return images;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "SELECT images.row, images.run, original_id, original_ref, name, project, option, hide, "
        "trash, tag, parent_keywords, originals_keyword, step, jpeg_path, jpeg_size, new_images, "
        "stray_files, runs.pid, runs.finished FROM images JOIN runs ON runs.id = images.run "
        "WHERE images.library = ?1 AND images.run <> ?2 AND step < ?3 ORDER BY images.row"));
    query.bindValue(0, library);
    query.bindValue(1, currentRun);
    query.bindValue(2, int(Done));
    if (!query.exec())
        return images;
    while (query.next()) {
        if (query.value(18).isNull() && isOtherLiveProcess(query.value(17).toLongLong()))
            continue;
        Image image;
        image.row = query.value(0).toLongLong();
        image.run = query.value(1).toString();
        image.originalId = query.value(2).toString();
        image.originalReference = query.value(3).toString();
        image.name = query.value(4).toString();
        image.project = query.value(5).toString();
        image.settings = {query.value(6).toLongLong(), query.value(7).toBool(),
                          query.value(8).toBool(),     query.value(9).toBool(),
                          query.value(10).toString(),  query.value(11).toString()};
        image.step = Step(query.value(12).toInt());
        image.jpegPath = query.value(13).toString();
        image.jpegSize = query.value(14).toLongLong();
        image.newImages = splitList(query.value(15).toString());
        image.strayFiles = splitList(query.value(16).toString());
        images.append(image);
    }
    return images;
}

QList<RunJournal::Run> RunJournal::settledDeadRuns(const QString& library,
                                                   const QString& currentRun) const
{
    QList<Run> runs;
    if (!m_open)
        return runs;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "SELECT id, work_folder, trash_project, pid, finished FROM runs WHERE library = ?1 AND "
        "id <> ?2 AND (IFNULL(work_folder, '') <> '' OR IFNULL(trash_project, '') <> '') AND NOT "
        "EXISTS (SELECT 1 FROM images WHERE images.run = runs.id AND step < ?3)"));
    query.bindValue(0, library);
    query.bindValue(1, currentRun);
    query.bindValue(2, int(Done));
    if (!query.exec())
        return runs;
    while (query.next()) {
        if (query.value(4).isNull() && isOtherLiveProcess(query.value(3).toLongLong()))
            continue;
        runs.append(
            {query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
    }
    return runs;
}

void RunJournal::clearRunLeftovers(const QString& run)
{
    exec(QStringLiteral("UPDATE runs SET work_folder = NULL, trash_project = NULL, finished = "
                        "IFNULL(finished, ?2) WHERE id = ?1"),
         {run, now()});
}

bool RunJournal::knowsNewImage(const QString& reference) const
{
    if (!m_open)
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT 1 FROM images WHERE instr(char(10) || new_images || "
                                 "char(10), char(10) || ?1 || char(10)) > 0 LIMIT 1"));
    query.bindValue(0, reference);
    return query.exec() && query.next();
}
