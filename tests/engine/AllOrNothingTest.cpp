#include "LibraryInvariant.h"
#include "RunFixture.h"

#include "QtPrinters.h"
#include "TolvaneAperture.h"

namespace {

/// A fault the stand-in library shows during a run: a failing or malformed
/// answer to the N-th call of a method, or the library dying at that call.
struct Fault {
    const char* name;
    const char* serveOption;
    const char* call;
    qint64 option;
    /// Whether the fault comes after a new image of the failing original
    /// was imported, so that the run has to take it out again.
    bool afterImport = true;
};

std::ostream& operator<<(std::ostream& out, const Fault& fault)
{
    return out << fault.name;
}

bool libraryDies(const Fault& fault)
{
    return QLatin1String(fault.serveOption) == QLatin1String("--exit-at-call");
}

class AllOrNothing : public RunFixture, public testing::WithParamInterface<Fault> {
protected:
    /// Every switch on, every original in an album of its own besides the
    /// sample's, so that each step of an image talks to the library.
    void startWithEverySwitchOn(const Fault& fault)
    {
        ASSERT_TRUE(startLibrary());
        photolib(QStringList{"album", m_session->library(), "Everything"} + m_original);
        m_before = library();
        m_session->peer().stop();
        ASSERT_TRUE(m_session->serve(m_session->library(), {fault.serveOption, fault.call}));
        delegate.tag = delegate.hide = delegate.album = delegate.trash = true;
        delegate.option = fault.option;
    }
    void run(qint64 option)
    {
        TolvaneAperture engine;
        if (option < 2)
            engine.tolvaneScan(&delegate);
        else
            engine.tolvaneRawJpg(&delegate);
    }
    LibraryInvariant invariant(qint64 option) const
    {
        if (option < 2)
            return LibraryInvariant(m_before, m_original, {});
        return LibraryInvariant(m_before, m_original, {option, 2, "Tolvane Separated"});
    }

    QJsonObject m_before;
};

TEST_P(AllOrNothing, leavesEveryOriginalUntouchedOrCompletelyReplaced)
{
    const Fault& fault = GetParam();
    startWithEverySwitchOn(fault);
    run(fault.option);

    const auto sheets = delegate.sheets();
    ASSERT_FALSE(sheets.empty());
    EXPECT_EQ(sheets.back().title, "Unable To Process") << sheets.back().message.toStdString();
    expectWindowGivenBack();
    const bool alive = !libraryDies(fault);
    const QJsonObject after = library();
    const LibraryInvariant rule = invariant(fault.option);
    EXPECT_EQ(rule.breaches(after, alive), QStringList());
    // The alert never calls an image that is still half done untouched.
    if (alive && fault.afterImport) {
        EXPECT_TRUE(sheets.back().message.contains("was taken out again"))
            << sheets.back().message.toStdString();
    }
    if (rule.incompleteNewImages(after) > 0) {
        EXPECT_TRUE(sheets.back().message.contains("could not be taken out again"))
            << sheets.back().message.toStdString();
    }
    EXPECT_EQ(workFolderEntries(), QStringList());
    EXPECT_EQ(LibraryInvariant::unsoundness(m_session->library()), QStringList());
}

const Fault kFaults[] = {
    // Conversion: a failure at each step after the import.
    {"conversionImportFails", "--fail-call", "Import:2", 0, false},
    {"conversionRefreshFails", "--fail-call", "RefreshMetadata:2", 0},
    {"conversionNameAnswerMalformed", "--malformed-call", "SetText:1", 0},
    {"conversionDateFails", "--fail-call", "AdjustImageDate:2", 0},
    {"conversionKeywordCopyFails", "--fail-call", "AddKeyword:2", 0},
    {"conversionTagCopyFails", "--fail-call", "AddTag:3", 0},
    {"conversionAlbumFails", "--fail-call", "DuplicateTo:2", 0},
    {"conversionHidingFails", "--fail-call", "SetInteger:4", 0},
    {"conversionTrashMoveFails", "--fail-call", "MoveTo:2", 0},
    {"conversionOriginalsKeywordFails", "--fail-call", "AddKeyword:5", 0},
    // Conversion: the library dies at a few points.
    {"conversionLibraryDiesAtImport", "--exit-at-call", "Import:2", 0},
    {"conversionLibraryDiesInMetadata", "--exit-at-call", "AddKeyword:2", 0},
    {"conversionLibraryDiesAtHiding", "--exit-at-call", "SetInteger:2", 0},
    {"conversionLibraryDiesAtTrashMove", "--exit-at-call", "MoveTo:1", 0},
    // Pair separation: the second half, metadata, keywords, albums, original.
    {"pairSecondImportFails", "--fail-call", "Import:2", 2},
    {"pairImportAnswerMalformed", "--malformed-call", "Import:1", 2, false},
    {"pairRefreshOfSecondHalfFails", "--fail-call", "RefreshMetadata:2", 2},
    {"pairKeywordFails", "--fail-call", "AddKeyword:4", 2},
    {"pairAlbumFails", "--fail-call", "DuplicateTo:2", 2},
    {"pairHidingFails", "--fail-call", "SetInteger:3", 2},
    {"pairTrashMoveFails", "--fail-call", "MoveTo:1", 2},
    {"pairLibraryDiesAtSecondImport", "--exit-at-call", "Import:2", 2},
    {"pairLibraryDiesInMetadata", "--exit-at-call", "AddTag:2", 2},
};

INSTANTIATE_TEST_SUITE_P(Faults, AllOrNothing, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<Fault>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
