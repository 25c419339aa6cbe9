#pragma once

#include <QString>
#include <QVariant>

/// Attached disk images: loop devices with a backing file.
///
/// info() describes them in the shape of a disk-image tool's listing: a
/// dictionary whose "images" list holds one dictionary per attached image,
/// with its "image-path" and its "system-entities", a list of dictionaries
/// whose "dev-entry" names the whole device and each of its partitions.
/// deviceHolding() names the mounted device that holds a folder, read from
/// the process's mount table. Both read the kernel's tables and fail soft:
/// what cannot be read is absent. Any thread.
class DiskImages {
public:
    static QVariantMap info();
    /// The device the mount holding `path` was mounted from ("/dev/loop0p1");
    /// empty for the root file system, for mounts not from a device under
    /// /dev, and when the mount table cannot be read.
    static QString deviceHolding(const QString& path);
    /// A shell command that unmounts a device and detaches its image, both
    /// named already quoted for the shell: through udisks where it answers,
    /// else umount and losetup.
    static QString detachCommand(const QString& quotedDevice, const QString& quotedImageDevice);
    /// The whole loop device of a device or one of its partitions
    /// ("/dev/loop0p1" gives "/dev/loop0").
    static QString wholeDevice(const QString& device);
};
