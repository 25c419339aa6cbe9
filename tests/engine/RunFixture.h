#pragma once

#include "FakeRunDelegate.h"
#include "PeerSession.h"
#include "RecordingAlertPresenter.h"
#include "TolvaneAperture.h"
#include "core/SystemLog.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <memory>

/// A run against the real stand-in library: a private bus, photolib serving
/// a small sample library with everything selected, a fresh defaults store
/// with the bundle's first-run values, a delegate that records what the run
/// shows, and application-modal alerts answered at once and recorded.
class RunFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Starts the library; false (and a failed assertion) when it could not.
    bool startLibrary(const QStringList& serveOptions = {},
                      const QStringList& sampleOptions = PeerSession::smallSample());
    QJsonObject library() const { return m_session->show(); }
    QJsonObject version(const QString& id) const;
    QStringList selection() const;
    /// Runs `photolib ARGS` on the served library.
    void photolib(const QStringList& arguments) const;
    /// Image versions of the library that are not in the selection at start.
    QList<QJsonObject> newVersions() const;
    static QStringList keywordNames(const QJsonObject& version);
    static QString tagValue(const QJsonObject& version, const QString& list, const QString& name);
    QString workFolder() const { return m_workFolder; }
    /// Everything in the temporary folder, hidden entries included.
    QStringList workFolderEntries() const;
    /// The run's end as the window shows it: button back, "Ready", no file.
    void expectWindowGivenBack() const;

    // An engine's steps and state that only tests look at (the engine
    // befriends this fixture for them).
    static void prepareForRun(TolvaneAperture& engine, RunDelegate* delegate)
    {
        engine.m_delegate = delegate;
        engine.prepareForRun();
    }
    static void endOfRunCleanup(TolvaneAperture& engine) { engine.endOfRunCleanup(); }
    /// Where the run puts its JPEGs: the work folder or the chosen one.
    static QString jpegFolder(const TolvaneAperture& engine) { return engine.m_tmpDir; }
    static bool tiffSettingChecked(const TolvaneAperture& engine)
    {
        return engine.m_tiffExportProfileValidated;
    }
    static int32_t sleepAssertionResult(const TolvaneAperture& engine)
    {
        return engine.m_successPreventSleep;
    }
    static uint32_t sleepAssertionId(const TolvaneAperture& engine) { return engine.m_assertionID; }

    std::unique_ptr<PeerSession> m_session;
    FakeRunDelegate delegate;
    RecordingAlertPresenter modal;
    SystemLog::Capture log;
    QStringList m_original;
    QString m_workFolder;
};
