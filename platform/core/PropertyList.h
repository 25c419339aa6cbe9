#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

/// Reads and writes property lists (XML and binary) as QVariant trees.
///
/// A dict becomes a QVariantMap, an array a QVariantList, a string a QString,
/// an integer a qint64 (unsigned values beyond qint64 a quint64), a real a
/// double, a boolean a bool, a date a QDateTime in UTC and data a QByteArray.
/// Callable from any thread; keeps no state. Bad input never crashes: the
/// reading functions fail with a text that describes the problem.
class PropertyList {
public:
    enum class Format { Xml, Binary };

    /// Parses XML or binary property-list bytes (the format is detected).
    static Result<QVariant> parse(const QByteArray& bytes);
    /// Parses and insists that the root is a dict.
    static Result<QVariantMap> parseDictionary(const QByteArray& bytes);
    /// Reads a file and parses it as above; a failure names the file.
    static Result<QVariant> readFile(const QString& path);
    static Result<QVariantMap> readDictionaryFile(const QString& path);

    /// Serializes a tree; fails for a QVariant type that has no
    /// property-list form.
    static Result<QByteArray> serialize(const QVariant& root, Format format);
};
