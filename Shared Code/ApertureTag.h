#pragma once

#include "ApertureObject.h"
#include "ApertureProject.h"

#include <QMetaType>

/// A custom, IPTC, EXIF or other tag of an image version: a name and a value.
///
/// value() is text, an integer (qint64), a real, a boolean or a date
/// (QDateTime in UTC); the other tag "MasterProject" holds an
/// ApertureProject. See ApertureObject for threads and failures.
class ApertureTag : public ApertureObject {
public:
    using ApertureObject::ApertureObject;

    QString name() const { return getText(QStringLiteral("name")); }
    QVariant value() const { return getValue(QStringLiteral("value")); }
    /// The value as a project; throws ScriptingError when it is none.
    ApertureProject projectValue() const;
};
Q_DECLARE_METATYPE(ApertureTag)
