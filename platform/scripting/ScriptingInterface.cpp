#include "ScriptingInterface.h"

#include <QDBusSignature>
#include <QXmlStreamReader>

namespace {

bool readMethod(QXmlStreamReader& xml, ScriptingInterface::Method& method)
{
    method.name = xml.attributes().value(QLatin1String("name")).toString();
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("arg")) {
            xml.skipCurrentElement();
            continue;
        }
        const QString type = xml.attributes().value(QLatin1String("type")).toString();
        const bool out = xml.attributes().value(QLatin1String("direction")) == QLatin1String("out");
        xml.skipCurrentElement();
        if (type.isEmpty() || !QDBusSignature(type).signature().size())
            return false;
        (out ? method.outTypes : method.inTypes).append(type);
        (out ? method.outSignature : method.inSignature).append(type);
    }
    return !method.name.isEmpty();
}

} // namespace

std::optional<ScriptingInterface>
ScriptingInterface::parse(const QByteArray& document, const QString& interfaceName, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<ScriptingInterface> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QXmlStreamReader xml(document);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("node"))
        return fail(QStringLiteral("the document is not a D-Bus introspection document"));
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("interface") ||
            xml.attributes().value(QLatin1String("name")) != interfaceName) {
            xml.skipCurrentElement();
            continue;
        }
        ScriptingInterface result;
        result.m_name = interfaceName;
        result.m_xml = document;
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("method")) {
                xml.skipCurrentElement();
                continue;
            }
            Method method;
            if (!readMethod(xml, method))
                return fail(QStringLiteral("method %1 of %2 has a malformed argument (line %3)")
                                .arg(method.name, interfaceName)
                                .arg(xml.lineNumber()));
            result.m_methods.insert(method.name, method);
        }
        if (xml.hasError())
            return fail(xml.errorString());
        return result;
    }
    if (xml.hasError())
        return fail(QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString()));
    return fail(QStringLiteral("the document declares no interface %1").arg(interfaceName));
}

const ScriptingInterface::Method* ScriptingInterface::method(const QString& name) const
{
    const auto it = m_methods.constFind(name);
    return it == m_methods.constEnd() ? nullptr : &it.value();
}
