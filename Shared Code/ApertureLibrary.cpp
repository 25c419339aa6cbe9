#include "ApertureLibrary.h"

QList<ApertureProject> ApertureLibrary::projects() const
{
    return handles<ApertureProject>(elements(QStringLiteral("projects")));
}

ApertureProject ApertureLibrary::makeProject(const QString& name) const
{
    return call(QStringLiteral("MakeProject"), {name}).value(0).value<ApertureProject>();
}
