#pragma once

#include <QString>

/// The path of the JPEG rendered from one image: the work folder, the master
/// file name without its last extension, ".jpg". With externally referenced
/// output the JPEG stays in the user's folder, so an existing file is never
/// replaced: " (1)", " (2)", ... go before ".jpg" until a name is free.
/// Otherwise a file of that name in the work folder is overwritten (the
/// import moves the JPEG away at once).
///
/// Called on the run thread; reads the file system only.
class OutputNaming {
public:
    /// "IMG_0001.CR2" → "IMG_0001", "a.b.CR2" → "a.b"; a name without a dot,
    /// or whose only dot leads it (".hidden"), stays whole.
    static QString baseName(const QString& masterFileName);
    /// A path for `fileName` in `folder` (ending with "/") at which nothing
    /// exists: the name itself, else " (1)", " (2)", ... before its last
    /// extension.
    static QString freePath(const QString& folder, const QString& fileName);
    /// `workFolder` ends with "/".
    static QString outputPath(const QString& workFolder, const QString& masterFileName,
                              bool externallyReferenced);
};
