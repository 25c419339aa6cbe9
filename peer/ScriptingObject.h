#pragma once

#include <QString>

#include <optional>

/// A reference to a scriptable object of the library, as it travels on the
/// bus: an object path such as "/version/<id>" or "/project/<n>".
///
/// Kinds and paths: Application "/application", Library "/library/<n>",
/// Project "/project/<n>", Album "/album/<n>", ExportSetting
/// "/exportsetting/<n>", Version "/version/<id>", OtherTag
/// "/version/<id>/other/<Name>", Keyword "/keyword/<n>", Tag "/tag/<n>";
/// "/" is no object. Plain value; any thread.
class ScriptingObject {
public:
    enum class Kind {
        None,
        Application,
        Library,
        Project,
        Album,
        ExportSetting,
        Version,
        OtherTag,
        Keyword,
        Tag
    };

    ScriptingObject() = default;
    ScriptingObject(Kind kind, QString key, QString subKey = {});

    /// The object a path names; no value when the path is none of the forms.
    static std::optional<ScriptingObject> parse(const QString& path);
    static ScriptingObject application() { return {Kind::Application, {}}; }
    static ScriptingObject version(const QString& uuid) { return {Kind::Version, uuid}; }
    static ScriptingObject numbered(Kind kind, qint64 id) { return {kind, QString::number(id)}; }

    Kind kind() const { return m_kind; }
    /// The version id, or the number as text.
    QString key() const { return m_key; }
    qint64 number() const { return m_key.toLongLong(); }
    /// The other tag's name.
    QString subKey() const { return m_subKey; }
    QString path() const;
    /// "image version", "project", … for messages.
    QString kindName() const;

private:
    Kind m_kind = Kind::None;
    QString m_key;
    QString m_subKey;
};
