#include "ImageFileTypes.h"

namespace {
QStringList build()
{
    static const char* const extensions[] = {
        // pixel formats through libvips
        "tif", "tiff", "jpg", "jpeg", "jpe", "png",
        // DNG and camera RAW through LibRaw
        "dng", "3fr", "ari", "arw", "bay", "cap", "cr2", "cr3", "crw", "dcr", "dcs", "erf", "fff",
        "iiq", "k25", "kdc", "mdc", "mef", "mos", "mrw", "nef", "nrw", "orf", "pef", "ptx", "raf",
        "raw", "rw2", "rwl", "sr2", "srf", "srw", "x3f"};
    QStringList list;
    for (const char* extension : extensions)
        list.append(QString::fromLatin1(extension));
    for (const char* extension : extensions)
        list.append(QString::fromLatin1(extension).toUpper());
    return list;
}
} // namespace

QStringList ImageFileTypes::list()
{
    static const QStringList types = build();
    return types;
}

bool ImageFileTypes::contains(const QString& extension)
{
    return list().contains(extension, Qt::CaseSensitive);
}
