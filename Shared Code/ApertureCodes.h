#pragma once

#include <QtGlobal>

/// A four-character code as the scripting interface passes it: the first
/// character in the high byte ('rkeb' is 0x726b6562).
constexpr quint32 fourCharCode(const char (&code)[5])
{
    return quint32(quint8(code[0])) << 24 | quint32(quint8(code[1])) << 16 |
           quint32(quint8(code[2])) << 8 | quint32(quint8(code[3]));
}

/// How an export carries the image's metadata.
enum class ApertureExportMetadata : quint32 {
    Embedded = fourCharCode("rkeb"), ///< written into the exported file
    Sidecar = fourCharCode("rksc"),  ///< written into an ".XMP" file beside it
};

/// How an import takes the files in.
enum class ApertureImportMode : quint32 {
    Referenced = fourCharCode("rkrf"), ///< left where they lie and referenced
    Moved = fourCharCode("rkmv"),      ///< moved into the library
};
