#pragma once

#include <QString>
#include <QStringList>

/// The file name extensions of the image formats this layer decodes (the
/// counterpart of the image class's list of readable file types): TIFF,
/// JPEG, PNG, DNG and the camera RAW formats LibRaw reads. Each extension
/// appears in lower and in upper case, without the dot, so a caller compares
/// names exactly. Pure; any thread.
class ImageFileTypes {
public:
    static QStringList list();
    /// Exact comparison, case included ("CR2" and "cr2" are listed, "Cr2" is not).
    static bool contains(const QString& extension);
};
