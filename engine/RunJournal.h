#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

/// The run journal: what each run did to each original, written to disk
/// before and after every change to the library, so that a run killed at
/// any moment can be finished or undone by the next one, and an original
/// already converted is not converted twice.
///
/// An SQLite file (write-ahead log, one transaction per step), by default
/// `$XDG_STATE_HOME/Tolvane/journal.sqlite`. Rows are keyed by the library's
/// name and the original version's id. The engine opens one per run on the
/// run thread and uses it there only. A file that cannot be read as a
/// journal is renamed aside with a time stamp and a fresh one started; a
/// journal that cannot be opened at all is simply not open (isOpen() false,
/// every write a no-op, every query empty): it never stops a run.
class RunJournal {
public:
    /// How far the work on one original got. The new images' steps come
    /// first, then the original's; Done and Undone are settled.
    enum Step {
        Started = 0,
        Written = 1,  ///< the JPEG (or the pair's files) exist
        Imported = 2, ///< at least one new image is in the library
        Complete = 3, ///< every new image has its metadata, keyword and albums
        Done = 4,     ///< the original is finished too: converted
        Undone = 5,   ///< nothing of it is left in the library
    };

    /// The settings of a run that finishing one of its originals needs.
    struct Settings {
        qint64 option = 0;
        bool hide = false;
        bool trash = false;
        bool tag = false;
        QString parentKeywords;
        QString originalsKeyword;
    };

    struct Image {
        qint64 row = 0;
        QString run;
        QString originalId;
        QString originalReference;
        QString name;
        QString project; ///< reference of the project new images go to
        Settings settings;
        Step step = Started;
        QString jpegPath;
        qint64 jpegSize = 0;
        QStringList newImages; ///< references
        QStringList strayFiles;
    };

    struct Run {
        QString id;
        QString workFolder;
        QString trashProject; ///< reference; empty when the run made none
    };

    /// Finished runs older than this are forgotten when a journal opens.
    static constexpr int kKeptDays = 90;

    static QString defaultPath();

    explicit RunJournal(const QString& path = defaultPath());
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    bool isOpen() const { return m_open; }
    /// Where a damaged journal was kept; empty when none was.
    QString keptAsidePath() const { return m_keptAsidePath; }

    void beginRun(const QString& run, const QString& library, const QString& workFolder);
    void setTrashProject(const QString& run, const QString& reference);
    /// The run's work folder is gone; `trashProject` is what it leaves
    /// (empty when its trash project was deleted).
    void finishRun(const QString& run, const QString& trashProject);

    /// Records the start of work on an original; returns its row (0 when
    /// the journal is not open).
    qint64 beginImage(const QString& run, const QString& library, const Image& image);
    void setStep(qint64 row, Step step);
    /// The file about to be imported, and the project it goes to.
    void setJpeg(qint64 row, const QString& path, qint64 size, const QString& project);
    void addNewImage(qint64 row, const QString& reference);
    void setStrayFiles(qint64 row, const QStringList& files);

    /// The new images of the original's last completed conversion in this
    /// library; none when it was never converted.
    std::optional<QStringList> convertedInto(const QString& library,
                                             const QString& originalId) const;
    /// Images of other runs in this library neither done nor undone.
    QList<Image> unsettledImages(const QString& library, const QString& currentRun) const;
    /// Runs of this library other than the current one that left a work
    /// folder or a trash project behind, and whose every image is settled.
    QList<Run> settledDeadRuns(const QString& library, const QString& currentRun) const;
    /// Forgets what a dead run left once it has been cleared away.
    void clearRunLeftovers(const QString& run);
    /// Whether every new image reference is one the journal knows of.
    bool knowsNewImage(const QString& reference) const;

private:
    bool open(const QString& path);
    bool createTables();
    void setAside(const QString& path, const QString& problem);
    void prune();
    bool exec(const QString& statement, const QVariantList& values = {});
    QString m_connection;
    QString m_keptAsidePath;
    bool m_open = false;
};
