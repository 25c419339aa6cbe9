#include "PythonCsv.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

namespace {

// Prints the rows as a JSON array of arrays; any defect stops it.
const char* kScript = R"PY(
import csv, json, sys
with open(sys.argv[1], newline="", encoding="utf-8-sig") as f:
    rows = list(csv.reader(f, strict=True))
print(json.dumps(rows))
)PY";

QMap<QString, QString> pairs(const QList<QStringList>& rows)
{
    QMap<QString, QString> map;
    for (const QStringList& row : rows)
        map.insert(row.value(0), row.value(1));
    return map;
}

} // namespace

PythonCsv PythonCsv::read(const QString& path)
{
    PythonCsv result;
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(kScript), path});
    if (!python.waitForStarted()) {
        result.error = QStringLiteral("python3 did not start");
        return result;
    }
    python.waitForFinished(30000);
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        result.error = QString::fromUtf8(python.readAllStandardError());
        return result;
    }
    for (const QJsonValue& row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue& field : row.toArray())
            fields.append(field.toString());
        result.rows.append(fields);
    }
    result.ok = true;
    return result;
}

QList<QStringList> PythonCsv::block(int index) const
{
    QList<QList<QStringList>> blocks(1);
    for (const QStringList& row : rows) {
        if (row.isEmpty())
            blocks.append(QList<QStringList>());
        else
            blocks.back().append(row);
    }
    QList<QStringList> chosen = blocks.value(index);
    if (!chosen.isEmpty())
        chosen.removeFirst(); // the header
    return chosen;
}

QList<QStringList> PythonCsv::imageRows() const
{
    return block(0);
}

QMap<QString, QString> PythonCsv::totals() const
{
    return pairs(block(1));
}

QMap<QString, QString> PythonCsv::settings() const
{
    return pairs(block(2));
}
