#pragma once

#include "ApertureObject.h"
#include "ApertureProject.h"

#include <QList>
#include <QMetaType>

/// A library of the application (only the first is used). Its projects,
/// and new projects made in it. See ApertureObject for threads and failures.
class ApertureLibrary : public ApertureObject {
public:
    using ApertureObject::ApertureObject;

    QString name() const { return getText(QStringLiteral("name")); }
    QList<ApertureProject> projects() const;
    /// Creates an empty project of that name in this library.
    ApertureProject makeProject(const QString& name) const;
};
Q_DECLARE_METATYPE(ApertureLibrary)
