#pragma once

#include <QHash>
#include <QSet>
#include <QString>

/// How `photolib serve` behaves: the bus name it owns, and the faults that
/// tests can ask it to show. The defaults are those of a healthy library.
struct ServeOptions {
    /// What becomes of the stock "TIFF - Original Size (16-bit)" setting.
    enum class TiffSetting { Stock, Missing, EightBit, HalfSize, Jpeg };

    QString busName = QStringLiteral("com.apple.aperture");
    /// The application's `version` text.
    QString versionText = QStringLiteral("3.6");
    TiffSetting tiffSetting = TiffSetting::Stock;
    /// Exports of these version ids write nothing and answer an empty list.
    QSet<QString> failingExports;
    /// The bulk read answers one list fewer for "<tags>.value" keys than for
    /// "<tags>.name" keys.
    bool inconsistentTagLists = false;
    /// For these version ids the bulk read's tag value lists are one shorter
    /// than their name lists.
    QSet<QString> mismatchedTagIds;
    /// For these version ids the bulk read answers a height of 0.
    QSet<QString> zeroHeightIds;
    /// For these version ids the bulk read's other tags lack "FileSize".
    QSet<QString> noFileSizeIds;
    /// After answering this many calls the server ends, without replying to
    /// the next one; negative: never.
    qint64 exitAfterCalls = -1;
    /// Each call waits this long before it is carried out.
    int callDelayMs = 0;
    /// Calls of these methods are answered with a reply of the wrong shape.
    QSet<QString> wrongShapeMethods;

    /// What becomes of one numbered call of a method.
    enum class CallFault {
        Fail,       ///< an error reply, nothing changed
        Malformed,  ///< a reply of the wrong shape, nothing changed
        Empty,      ///< an empty list (or no value), nothing changed
        Exit,       ///< the server ends without replying
        KillCaller, ///< the calling process is killed (SIGKILL), nothing changed
    };
    /// Faults by method and by the call's number among that method's calls,
    /// counted from 1 since the server started.
    QHash<QString, QHash<qint64, CallFault>> callFaults;
};
