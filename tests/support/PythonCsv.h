#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

/// Reads a CSV file with Python's `csv` module in strict mode, a reader we
/// did not write, as a spreadsheet would: UTF-8 with an optional byte order
/// mark. `ok` is false, with Python's words in `error`, when the file does
/// not read as CSV.
///
/// A run report's three blocks (images, totals, settings) are split at the
/// empty rows between them.
struct PythonCsv {
    bool ok = false;
    QString error;
    QList<QStringList> rows;

    static PythonCsv read(const QString& path);

    /// The rows up to the first empty row, without the header row.
    QList<QStringList> imageRows() const;
    /// The second and third blocks as name -> value, without their headers.
    QMap<QString, QString> totals() const;
    QMap<QString, QString> settings() const;

private:
    QList<QStringList> block(int index) const;
};
