#include "ScriptingObject.h"

#include <QStringList>

namespace {

struct KindPrefix {
    ScriptingObject::Kind kind;
    const char* prefix;
    const char* name;
};

const KindPrefix kPrefixes[] = {
    {ScriptingObject::Kind::Library, "library", "library"},
    {ScriptingObject::Kind::Project, "project", "project"},
    {ScriptingObject::Kind::Album, "album", "album"},
    {ScriptingObject::Kind::ExportSetting, "exportsetting", "export setting"},
    {ScriptingObject::Kind::Version, "version", "image version"},
    {ScriptingObject::Kind::Keyword, "keyword", "keyword"},
    {ScriptingObject::Kind::Tag, "tag", "tag"},
};

bool isNumber(const QString& text)
{
    bool ok = false;
    return !text.isEmpty() && text.toLongLong(&ok) > 0 && ok && text.at(0) != QLatin1Char('0');
}

} // namespace

ScriptingObject::ScriptingObject(Kind kind, QString key, QString subKey)
    : m_kind(kind), m_key(std::move(key)), m_subKey(std::move(subKey))
{}

std::optional<ScriptingObject> ScriptingObject::parse(const QString& path)
{
    if (path == QLatin1String("/"))
        return ScriptingObject();
    if (path == QLatin1String("/application"))
        return application();
    const QStringList parts = path.split(QLatin1Char('/'));
    if (parts.size() < 3 || !parts.first().isEmpty() || parts[2].isEmpty())
        return std::nullopt;
    if (parts.size() == 5 && parts[1] == QLatin1String("version") &&
        parts[3] == QLatin1String("other") && !parts[4].isEmpty())
        return ScriptingObject(Kind::OtherTag, parts[2], parts[4]);
    if (parts.size() != 3)
        return std::nullopt;
    for (const KindPrefix& entry : kPrefixes) {
        if (parts[1] != QLatin1String(entry.prefix))
            continue;
        if (entry.kind != Kind::Version && !isNumber(parts[2]))
            return std::nullopt;
        return ScriptingObject(entry.kind, parts[2]);
    }
    return std::nullopt;
}

QString ScriptingObject::path() const
{
    switch (m_kind) {
    case Kind::None:
        return QStringLiteral("/");
    case Kind::Application:
        return QStringLiteral("/application");
    case Kind::OtherTag:
        return QStringLiteral("/version/%1/other/%2").arg(m_key, m_subKey);
    default:
        break;
    }
    for (const KindPrefix& entry : kPrefixes)
        if (entry.kind == m_kind)
            return QStringLiteral("/%1/%2").arg(QLatin1String(entry.prefix), m_key);
    return QStringLiteral("/");
}

QString ScriptingObject::kindName() const
{
    switch (m_kind) {
    case Kind::None:
        return QStringLiteral("no object");
    case Kind::Application:
        return QStringLiteral("application");
    case Kind::OtherTag:
        return QStringLiteral("other tag");
    default:
        break;
    }
    for (const KindPrefix& entry : kPrefixes)
        if (entry.kind == m_kind)
            return QLatin1String(entry.name);
    return {};
}
