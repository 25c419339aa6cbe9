#pragma once

#include "ApertureObject.h"

#include <QList>
#include <QMetaType>

class ApertureImageVersion;

/// A project: a named group of image versions, and the place imports go.
/// Deleting it moves it with its versions into the library's own trash.
/// See ApertureObject for threads and failures.
class ApertureProject : public ApertureObject {
public:
    using ApertureObject::ApertureObject;

    QString name() const { return getText(QStringLiteral("name")); }
    QList<ApertureImageVersion> imageVersions() const;
    /// The scripting `delete` of a project.
    void deleteProject() const;
};
Q_DECLARE_METATYPE(ApertureProject)
