#include "ApertureAlbum.h"

#include "ApertureImageVersion.h"

QList<ApertureImageVersion> ApertureAlbum::imageVersions() const
{
    return handles<ApertureImageVersion>(elements(QStringLiteral("imageVersions")));
}
