#pragma once

#include "ApertureObject.h"

#include <QMetaType>

/// A named export setting of the application ("TIFF - Original Size
/// (16-bit)", …). See ApertureObject for threads and failures.
class ApertureExportSetting : public ApertureObject {
public:
    using ApertureObject::ApertureObject;

    QString name() const { return getText(QStringLiteral("name")); }
};
Q_DECLARE_METATYPE(ApertureExportSetting)
