#pragma once

#include "ApertureObject.h"

#include <QMetaType>

/// A keyword on an image version: its name and its parents, the ancestor
/// names separated by tab characters, nearest first. See ApertureObject for
/// threads and failures.
class ApertureKeyword : public ApertureObject {
public:
    using ApertureObject::ApertureObject;

    QString name() const { return getText(QStringLiteral("name")); }
    QString parents() const { return getText(QStringLiteral("parents")); }
};
Q_DECLARE_METATYPE(ApertureKeyword)
