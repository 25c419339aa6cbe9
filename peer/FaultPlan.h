#pragma once

#include "core/Result.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

/// The faults `photolib serve` shows when a test asks for them: the way the
/// server answers calls (a delay, an end in the middle, replies of the wrong
/// shape, numbered calls that fail, come back empty, end the server or kill
/// the caller) and what the answers hold (exports that write nothing, bulk
/// reads whose lists are off). Empty, the plan is a healthy library.
///
/// Filled from the command line by PeerCommands; the ScriptingServer asks
/// it about each call and applies what it decides. A plain value; any thread.
class FaultPlan {
public:
    /// What becomes of one numbered call of a method.
    enum class CallFault {
        Fail,       ///< an error reply, nothing changed
        Malformed,  ///< a reply of the wrong shape, nothing changed
        Empty,      ///< an empty list (or no value), nothing changed
        Exit,       ///< the server ends without replying
        KillCaller, ///< the calling process is killed (SIGKILL), nothing changed
    };

    /// Plans `fault` for the calls `values` name, each a comma-separated list
    /// of METHOD:N (the N-th call of METHOD since the server started, N from
    /// 1). A malformed entry fails the whole list, naming the entry.
    Result<void> addCalls(const QStringList& values, CallFault fault);
    /// The fault planned for the `number`-th call of `method`.
    std::optional<CallFault> faultAt(const QString& method, qint64 number) const;

    /// Whether the server ends before answering a call, having answered
    /// `answered` calls.
    bool endsAfter(quint64 answered) const;
    /// Whether an export of these image versions writes nothing and answers
    /// an empty list.
    bool failsExportOf(const QStringList& versionIds) const;
    /// A property read of one object as this plan spoils it.
    QVariant spoiledProperty(const QString& objectPath, const QString& name, QVariant value) const;
    /// The columns of a bulk read (one per key, one value per object) as
    /// this plan spoils them.
    QVariantList spoiledBulkRead(const QVariantList& objects, const QStringList& keys,
                                 QVariantList columns) const;

    /// After answering this many calls the server ends, without replying to
    /// the next one; negative: never.
    qint64 exitAfterCalls = -1;
    /// Each call waits this long before it is carried out.
    int callDelayMs = 0;
    /// Calls of these methods are answered with a reply of the wrong shape.
    QSet<QString> wrongShapeMethods;
    /// Exports of these version ids write nothing and answer an empty list.
    QSet<QString> failingExports;
    /// The bulk read answers one list fewer for "<tags>.value" keys than for
    /// "<tags>.name" keys.
    bool inconsistentTagLists = false;
    /// For these version ids the bulk read's tag value lists are one shorter
    /// than their name lists.
    QSet<QString> mismatchedTagIds;
    /// For these version ids reads of the height, single or bulk, answer 0.
    QSet<QString> zeroHeightIds;
    /// For these version ids the bulk read's other tags lack "FileSize".
    QSet<QString> noFileSizeIds;

private:
    /// The version id an object path names; empty for other objects.
    static QString versionIdOf(const QString& objectPath);
    QVariant spoiledValue(const QString& versionId, const QString& key, QVariant value) const;

    /// Faults by method and by the call's number among that method's calls.
    QHash<QString, QHash<qint64, CallFault>> m_callFaults;
};
