#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

/// One D-Bus interface as declared in an introspection XML document: its
/// name and, for every method, the signatures of its in and out arguments.
///
/// Both ends of a scripting connection read the same document: the client
/// checks its calls and the replies against it, the server checks incoming
/// calls and answers introspection with it. Immutable after parsing, so one
/// instance may be shared by any number of threads.
class ScriptingInterface {
public:
    struct Method {
        QString name;
        QString inSignature;
        QString outSignature;
        /// The single D-Bus types of the arguments, in order.
        QStringList inTypes;
        QStringList outTypes;
    };

    /// Reads the interface `interfaceName` from an introspection document;
    /// no value (and `error` set) when the document does not parse or does
    /// not declare that interface.
    static std::optional<ScriptingInterface>
    parse(const QByteArray& xml, const QString& interfaceName, QString* error = nullptr);

    QString name() const { return m_name; }
    /// The introspection document the interface was read from.
    QByteArray xml() const { return m_xml; }
    /// The declaration of a method, or nullptr when the interface has none.
    const Method* method(const QString& name) const;
    QStringList methodNames() const { return m_methods.keys(); }

private:
    QString m_name;
    QByteArray m_xml;
    QHash<QString, Method> m_methods;
};
