#include "RunReport.h"

#include "core/SearchPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>

const QString RunReport::Converted = QStringLiteral("converted");
const QString RunReport::Split = QStringLiteral("split");
const QString RunReport::Estimated = QStringLiteral("estimated");
const QString RunReport::SkippedOffline = QStringLiteral("skipped: offline");
const QString RunReport::SkippedUnsupported = QStringLiteral("skipped: unsupported");
const QString RunReport::SkippedAlreadyConverted = QStringLiteral("skipped: already converted");
const QString RunReport::SkippedNotSmaller = QStringLiteral("skipped: not smaller");
const QString RunReport::NotSampled = QStringLiteral("not sampled");
const QString RunReport::NotReached = QStringLiteral("not reached");

namespace {

const QString kFailedPrefix = QStringLiteral("failed: ");
const QLatin1Char kSeparator(',');
// Spreadsheets read CSV line ends as CR LF; the byte order mark tells them
// the text is UTF-8, so names beyond ASCII arrive intact.
const QString kLineEnd = QStringLiteral("\r\n");
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

QString line(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& text : fields)
        quoted.append(RunReport::field(text));
    return quoted.join(kSeparator) + kLineEnd;
}

// The outcome without its reason: every failure counts as one kind.
QString outcomeKind(const QString& outcome)
{
    return outcome.startsWith(kFailedPrefix) ? QStringLiteral("failed") : outcome;
}

} // namespace

QString RunReport::failed(const QString& reason)
{
    return kFailedPrefix + reason;
}

RunReport::RunReport(Kind kind, const QDateTime& started) : m_kind(kind), m_started(started) {}

void RunReport::setImages(const QList<Row>& rows)
{
    m_rows = rows;
}

void RunReport::addSetting(const QString& name, const QString& value)
{
    m_settings.append({name, value});
}

void RunReport::addTotal(const QString& name, const QString& value)
{
    m_totals.append({name, value});
}

QString RunReport::field(const QString& text)
{
    QString value = text;
    // A leading =, +, - or @ makes a spreadsheet evaluate the cell; an image
    // name must never run as a formula.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!value.isEmpty() && formulaStarts.contains(value.front()))
        value.prepend(QLatin1Char('\''));
    if (value.contains(kSeparator) || value.contains(QLatin1Char('"')) ||
        value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))) {
        value.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        value = QLatin1Char('"') + value + QLatin1Char('"');
    }
    return value;
}

QString RunReport::csv() const
{
    QString text = line({QStringLiteral("Image"), QStringLiteral("Version ID"),
                         QStringLiteral("Master bytes"), QStringLiteral("JPEG bytes"),
                         QStringLiteral("New version IDs"), QStringLiteral("Outcome")});
    QMap<QString, int> counts;
    QStringList kinds; // in the order they first occur
    for (const Row& row : m_rows) {
        text += line({row.name, row.versionId, QString::number(row.masterBytes),
                      row.jpegBytes ? QString::number(*row.jpegBytes) : QString(),
                      row.newVersionIds.join(QLatin1Char(' ')), row.outcome});
        const QString kind = outcomeKind(row.outcome);
        if (!counts.contains(kind))
            kinds.append(kind);
        ++counts[kind];
    }
    text += kLineEnd + line({QStringLiteral("Total"), QStringLiteral("Value")});
    text += line({QStringLiteral("Selected images"), QString::number(m_rows.size())});
    for (const QString& kind : std::as_const(kinds))
        text += line({QStringLiteral("Images ") + kind, QString::number(counts.value(kind))});
    for (const auto& [name, value] : m_totals)
        text += line({name, value});
    text += kLineEnd + line({QStringLiteral("Setting"), QStringLiteral("Value")});
    text += line({QStringLiteral("Report"),
                  m_kind == Kind::Estimate ? QStringLiteral("estimate") : QStringLiteral("run")});
    text += line({QStringLiteral("Started"), m_started.toString(Qt::ISODate)});
    for (const auto& [name, value] : m_settings)
        text += line({name, value});
    return text;
}

QString RunReport::defaultFolder()
{
    return SearchPaths::forDirectory(SearchPaths::Directory::Library, SearchPaths::UserDomain) +
           QStringLiteral("/Tolvane/reports");
}

QString RunReport::fileStem() const
{
    return m_started.toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
           (m_kind == Kind::Estimate ? QStringLiteral("-estimate") : QStringLiteral("-run"));
}

QString RunReport::write(const QString& folder, QString* error) const
{
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot make the folder %1").arg(folder);
        return {};
    }
    // Two runs in one second keep both reports.
    QString path = QDir(folder).filePath(fileStem() + QStringLiteral(".csv"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(fileStem() + QStringLiteral("-%1.csv").arg(n));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return {};
    }
    file.write(kByteOrderMark);
    file.write(csv().toUtf8());
    if (!file.commit()) {
        *error = file.errorString();
        return {};
    }
    return path;
}
