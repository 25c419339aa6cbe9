#pragma once

#include "ApertureApplication.h"
#include "ApertureImageVersion.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <stdexcept>

class RunDelegate;

/// The data-access object of one run: its own connection to the library
/// application (no time-out; every call waits for the reply), the version
/// check, the selection, and the per-image lists of the selection (file
/// names, sizes, dates, ...) read in three bulk exchanges, with an issue log
/// of whatever looks wrong in them.
///
/// Created with the engine on the main thread, then used only from the run's
/// thread. Alerts go through the delegate's class-level, application-modal
/// alert. Scripting failures throw ScriptingError, except in versionCheck(),
/// which turns them into an alert. A list of the wrong length after loading
/// is our own fault: it throws InternalInconsistency.
class SBUtils {
public:
    /// An internal invariant that does not hold.
    class InternalInconsistency : public std::logic_error {
    public:
        using std::logic_error::logic_error;
    };

    SBUtils();

    void setAppDelegate(RunDelegate* delegate) { m_appDelegate = delegate; }
    const ApertureApplication& photoApplication() const { return m_photoApplication; }

    /// true means: do not run (the user has been told why).
    bool versionCheck(bool ignored);
    QList<ApertureImageVersion> getSelection() const;
    QString getVersion() const;
    bool photoOnline(const ApertureImageVersion& photo) const;
    /// Builds the per-image lists for `selection`; false after telling the
    /// user that the application's answers did not fit together.
    bool loadData(const QList<ApertureImageVersion>& selection);

    void logImageIssue(const ApertureImageVersion& image, const QString& issue);
    void reportImageIssues() const;

    const QList<ApertureImageVersion>& selectionList() const { return m_selectionList; }
    const QList<qint64>& sizeList() const { return m_sizeList; }
    const QStringList& idList() const { return m_idList; }
    const QStringList& filenameList() const { return m_filenameList; }
    const QList<float>& dimsList() const { return m_dimsList; }
    const QList<QDateTime>& dateList() const { return m_dateList; }
    const QStringList& hashList() const { return m_hashList; }
    const QList<qint64>& heights() const { return m_heights; }
    const QList<ApertureImageVersion>& imagesWithIssues() const { return m_imagesWithIssues; }
    const QList<QStringList>& issueDescriptors() const { return m_issueDescriptors; }

    /// The leading number of a dot-separated version text; 0 without digits.
    static int majorVersion(const QString& version);
    /// The address that ends the text of the communication-problem alert.
    static QString supportAddress();

private:
    struct TagLists {
        QVariantList values;
        QVariantList names;
    };
    /// Reads the names and values of one tag kind over the selection; false
    /// when the two lists do not fit together (then the user is told).
    bool gatherTags(const QString& kind, TagLists& lists);
    void buildDims(const QVariantList& widths, const QVariantList& heights);
    void buildDates(const TagLists& exif);
    void buildOtherTags(const TagLists& other);
    void alertCommunicationProblem() const;
    void progress(int step) const;
    void require(bool condition, const char* description) const;

    ApertureApplication m_photoApplication;
    RunDelegate* m_appDelegate = nullptr;
    QList<ApertureImageVersion> m_selectionList;
    QList<ApertureImageVersion> m_imagesWithIssues;
    QList<QStringList> m_issueDescriptors;
    QList<qint64> m_sizeList;
    QStringList m_idList;
    QStringList m_filenameList;
    QList<float> m_dimsList;
    QList<QDateTime> m_dateList;
    QStringList m_hashList;
    QList<qint64> m_heights;
};
