#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class ScriptingApplication;

/// The common part of the scripting object handles (ApertureImageVersion,
/// ApertureProject, …): a reference to one object of the library
/// application (an object path such as "/version/<id>") and the connection
/// it is reached through.
///
/// Handles are values: cheap to copy, compared by reference, safe to keep
/// after the object is gone (a call then fails). Every read, write and
/// command is one exchange with the application and blocks the calling
/// thread; any failure throws ScriptingError. A handle may be used from any
/// thread, one call at a time; the connection it shares is thread-safe. A
/// default-constructed handle refers to nothing, and every call on it throws.
class ApertureObject {
public:
    ApertureObject() = default;
    ApertureObject(std::shared_ptr<ScriptingApplication> connection, QString reference);

    QString reference() const { return m_reference; }
    bool isNull() const { return m_reference.isEmpty(); }
    const std::shared_ptr<ScriptingApplication>& connection() const { return m_connection; }

    bool operator==(const ApertureObject& other) const { return m_reference == other.m_reference; }
    bool operator!=(const ApertureObject& other) const { return !(*this == other); }

protected:
    /// Sends `method` to this object; the reply's values, with references
    /// turned into handles.
    QVariantList call(const QString& method, const QVariantList& arguments = {}) const;
    QString getText(const QString& property) const;
    int getInteger(const QString& property) const;
    double getReal(const QString& property) const;
    bool getBoolean(const QString& property) const;
    QVariant getValue(const QString& property) const;
    void set(const QString& property, const QVariant& value) const;
    /// The references of an element list, in the application's order.
    QStringList elements(const QString& element) const;
    /// The reference of the first element of a list with that name.
    QString elementNamed(const QString& element, const QString& name) const;
    /// Handles of type T for references.
    template <typename T> QList<T> handles(const QStringList& references) const
    {
        QList<T> list;
        list.reserve(references.size());
        for (const QString& reference : references)
            list.append(T(m_connection, reference));
        return list;
    }

    /// A value from the application with its references made handles of the
    /// kind they name (ApertureProject, ApertureImageVersion, …), in
    /// QVariants, recursively through lists and records.
    QVariant toHandles(const QVariant& value) const;

private:
    std::shared_ptr<ScriptingApplication> m_connection;
    QString m_reference;
};
