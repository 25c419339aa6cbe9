#include "ApertureProject.h"

#include "ApertureImageVersion.h"

QList<ApertureImageVersion> ApertureProject::imageVersions() const
{
    return handles<ApertureImageVersion>(elements(QStringLiteral("imageVersions")));
}

void ApertureProject::deleteProject() const
{
    call(QStringLiteral("Delete"));
}
