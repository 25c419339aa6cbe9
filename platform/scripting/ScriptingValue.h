#pragma once

#include "core/Result.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

/// The scripting values as they travel on the bus, and back.
///
/// On our side a value is a QVariant: QString, bool, int, qint64, uint,
/// quint64, double, QDateTime, QDBusObjectPath (a reference to an object),
/// QVariantList, QStringList, QVariantMap, or an invalid QVariant for null.
/// On the wire D-Bus has no null and no date, so:
///   - null is a variant holding the object path "/" (the path of no object);
///   - a date is the struct (x), milliseconds since 1970-01-01 00:00 UTC;
///   - a reference is an object path.
/// Used by the client for arguments and replies and by the server for
/// replies and arguments, so both ends agree. Stateless; any thread.
class ScriptingValue {
public:
    /// Registers the wire types with QtDBus. Idempotent; any thread.
    static void registerTypes();

    /// A value as QtDBus must be given it to marshal it as the single
    /// complete D-Bus type `signature` ("s", "o", "ao", "av", "aav", "v",
    /// "(x)", "a{sv}", the basic types, …); a failure when the value has no
    /// such form.
    static Result<QVariant> toWire(const QVariant& value, const QString& signature);
    /// Converts a list of values for a sequence of single types.
    static Result<QVariantList> toWire(const QVariantList& values, const QStringList& types);

    /// A value as QtDBus demarshalled it, unpacked: nested arguments become
    /// QVariantList and QVariantMap, the date struct a QDateTime in UTC, a
    /// variant its content, a variant holding "/" null.
    static QVariant fromWire(const QVariant& wire);

    /// Whether `path` is a D-Bus object path ("/", or "/" followed by
    /// elements of letters, digits and "_" joined by "/"). Checked here so
    /// that a bad path is an error, not a warning from QtDBus.
    static bool isObjectPath(const QString& path);

    /// The object path that stands for no object.
    static QString nullPath() { return QStringLiteral("/"); }
};
