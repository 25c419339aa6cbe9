#pragma once

#include "ApertureObject.h"

#include <QList>
#include <QMetaType>

class ApertureImageVersion;

/// An album: a name and an ordered list of image versions.
/// See ApertureObject for threads and failures.
class ApertureAlbum : public ApertureObject {
public:
    using ApertureObject::ApertureObject;

    QString name() const { return getText(QStringLiteral("name")); }
    QList<ApertureImageVersion> imageVersions() const;
};
Q_DECLARE_METATYPE(ApertureAlbum)
