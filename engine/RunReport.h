#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

/// The report of one run or estimate: a row for every selected image (its
/// name, version id, master bytes, JPEG bytes, new version ids and what
/// became of it), the run's totals and its settings, written as CSV that a
/// spreadsheet opens.
///
/// The engine fills it on the run thread while the run goes on and writes it
/// once at the end, however the run ends. The file appears whole or not at
/// all: it is written to a temporary file beside it and renamed. Reports go
/// to `$XDG_STATE_HOME/Tolvane/reports/`, named by the run's start
/// ("2026-12-06-154207-run.csv", "...-estimate.csv").
class RunReport {
public:
    enum class Kind { Run, Estimate };

    /// Outcomes as the report spells them.
    static const QString Converted;
    static const QString Split;
    static const QString Estimated;
    static const QString SkippedOffline;
    static const QString SkippedUnsupported;
    static const QString SkippedAlreadyConverted;
    static const QString SkippedNotSmaller;
    static const QString NotSampled;
    static const QString NotReached;
    /// "failed: " followed by the reason.
    static QString failed(const QString& reason);

    struct Row {
        QString name;
        QString versionId;
        qint64 masterBytes = 0;
        std::optional<qint64> jpegBytes; ///< none when no JPEG was made
        QStringList newVersionIds;
        QString outcome = NotReached;
    };

    explicit RunReport(Kind kind, const QDateTime& started = QDateTime::currentDateTime());

    Kind kind() const { return m_kind; }
    /// Starts the image rows over: one per selected image, in selection order.
    void setImages(const QList<Row>& rows);
    qsizetype size() const { return m_rows.size(); }
    const Row& row(qsizetype index) const { return m_rows.at(index); }
    Row& row(qsizetype index) { return m_rows[index]; }
    /// A line of the settings block, in the order added.
    void addSetting(const QString& name, const QString& value);
    /// A line of the totals block, after the outcome counts.
    void addTotal(const QString& name, const QString& value);

    /// The whole report as CSV text: the image table, a blank line, the
    /// totals, a blank line, the settings.
    QString csv() const;

    /// The folder reports go to.
    static QString defaultFolder();
    /// Writes the report into `folder` (made when missing) under a name no
    /// other report has; the file's path, or an empty text with `error` set.
    QString write(const QString& folder, QString* error) const;

    /// A CSV field: quoted when it holds a comma, a quote or a line break;
    /// a text a spreadsheet would take for a formula is kept as text.
    static QString field(const QString& text);

private:
    QString fileStem() const;

    Kind m_kind;
    QDateTime m_started;
    QList<Row> m_rows;
    QList<QPair<QString, QString>> m_settings;
    QList<QPair<QString, QString>> m_totals;
};
