#include "ApertureTag.h"

#include "scripting/ScriptingError.h"

ApertureProject ApertureTag::projectValue() const
{
    const QVariant tagValue = value();
    if (tagValue.metaType() != QMetaType::fromType<ApertureProject>())
        throw ScriptingError(QStringLiteral("org.freedesktop.DBus.Error.InvalidSignature"),
                             QStringLiteral("the value of %1 is not a project").arg(reference()));
    return tagValue.value<ApertureProject>();
}
