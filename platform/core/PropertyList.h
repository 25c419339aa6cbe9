#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

/// Reads and writes property lists (XML and binary) as QVariant trees.
///
/// A dict becomes a QVariantMap, an array a QVariantList, a string a QString,
/// an integer a qint64 (unsigned values beyond qint64 a quint64), a real a
/// double, a boolean a bool, a date a QDateTime in UTC and data a QByteArray.
/// Callable from any thread; keeps no state. Bad input never crashes: the
/// reading functions return no value and describe the problem in `error`.
class PropertyList {
public:
    enum class Format { Xml, Binary };

    /// Parses XML or binary property-list bytes (the format is detected).
    static std::optional<QVariant> parse(const QByteArray& bytes, QString* error = nullptr);
    /// Parses and insists that the root is a dict.
    static std::optional<QVariantMap> parseDictionary(const QByteArray& bytes,
                                                      QString* error = nullptr);
    /// Reads a file and parses it as above.
    static std::optional<QVariant> readFile(const QString& path, QString* error = nullptr);
    static std::optional<QVariantMap> readDictionaryFile(const QString& path,
                                                         QString* error = nullptr);

    /// Serializes a tree; fails (no value) for a QVariant type that has no
    /// property-list form.
    static std::optional<QByteArray> serialize(const QVariant& root, Format format,
                                               QString* error = nullptr);
};
