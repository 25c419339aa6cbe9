#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

/// File operations on whole items (files, folders with their contents,
/// symbolic links), as a file manager performs them.
///
/// Any thread; each call blocks until the work is done. copyItem() and
/// removeItem() fail with a text naming the item and the system's reason.
class FileManager {
public:
    /// Copies `from` to `to`, recursively, keeping symbolic links as links,
    /// permissions, times and extended attributes. `to` must not exist. The
    /// copy is made under a hidden name beside `to` and renamed into place
    /// when complete, so a copy that fails half way leaves nothing at `to`.
    static Result<void> copyItem(const QString& from, const QString& to);
    /// Removes the item and everything in it.
    static Result<void> removeItem(const QString& path);
    /// Moves the item into the desktop's Trash.
    static bool recycleItem(const QString& path);
    /// Removes the named extended attributes from the item and everything in
    /// it; attributes that are absent or cannot be removed are passed over.
    static void removeExtendedAttributes(const QString& path, const QStringList& names);
};
