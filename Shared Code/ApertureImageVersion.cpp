#include "ApertureImageVersion.h"

QList<ApertureKeyword> ApertureImageVersion::keywords() const
{
    return handles<ApertureKeyword>(elements(QStringLiteral("keywords")));
}

QList<ApertureTag> ApertureImageVersion::customTags() const
{
    return handles<ApertureTag>(elements(QStringLiteral("customTags")));
}

QList<ApertureTag> ApertureImageVersion::iptcTags() const
{
    return handles<ApertureTag>(elements(QStringLiteral("IPTCTags")));
}

QList<ApertureTag> ApertureImageVersion::exifTags() const
{
    return handles<ApertureTag>(elements(QStringLiteral("EXIFTags")));
}

QList<ApertureTag> ApertureImageVersion::otherTags() const
{
    return handles<ApertureTag>(elements(QStringLiteral("otherTags")));
}

ApertureTag ApertureImageVersion::otherTagNamed(const QString& name) const
{
    return ApertureTag(connection(), elementNamed(QStringLiteral("otherTags"), name));
}

ApertureKeyword ApertureImageVersion::addKeyword(const QString& name, const QString& parents) const
{
    return call(QStringLiteral("AddKeyword"), {name, parents}).value(0).value<ApertureKeyword>();
}

ApertureTag ApertureImageVersion::addCustomTag(const QString& name, const QVariant& value) const
{
    return call(QStringLiteral("AddTag"), {QStringLiteral("customTags"), name, value})
        .value(0)
        .value<ApertureTag>();
}

ApertureTag ApertureImageVersion::addIptcTag(const QString& name, const QVariant& value) const
{
    return call(QStringLiteral("AddTag"), {QStringLiteral("IPTCTags"), name, value})
        .value(0)
        .value<ApertureTag>();
}

void ApertureImageVersion::refreshMetadata() const
{
    call(QStringLiteral("RefreshMetadata"));
}

void ApertureImageVersion::duplicateTo(const ApertureAlbum& album) const
{
    call(QStringLiteral("DuplicateTo"), {album.reference()});
}

void ApertureImageVersion::moveTo(const ApertureProject& project) const
{
    call(QStringLiteral("MoveTo"), {project.reference()});
}
