#pragma once

#include "RunDelegate.h"

#include <QMutex>
#include <QStringList>

#include <functional>
#include <vector>

class QThread;

/// A run's delegate for tests and benchmarks: settings set by the caller
/// before the run, and a record of everything the run shows or asks (status
/// and count texts, progress, the scan button, alert sheets, read-access
/// requests, written reports). Every call may come from any thread; the
/// records may be read from any thread.
///
/// Each `on…` hook, when set, runs on the caller's thread after the call was
/// recorded and outside the record's lock: a test gives read access there, a
/// benchmark times phases.
class FakeRunDelegate : public RunDelegate {
public:
    struct Sheet {
        QString title;
        QString message;
    };
    struct AccessRequest {
        QString path;
        QThread* thread;
    };

    // Settings, as the caller wants them.
    bool tag = true;
    bool trash = false;
    bool hide = true;
    bool album = true;
    bool referenced = false;
    QUrl folder;
    float scale = 0.5f;
    QVariant quality = 0.8;
    bool fixed = false;
    QVariant shortSide = qint64(0);
    QVariant longSide = qint64(0);
    bool shortLock = false;
    bool longLock = false;
    qint64 option = 1;

    std::function<void(const QString& text)> onStatusText;
    std::function<void(const QString& message, const QString& title)> onAlert;
    std::function<void(const QString& path)> onAccessRequest;

    bool tagEnabled() const override { return tag; }
    bool trashEnabled() const override { return trash; }
    bool hideEnabled() const override { return hide; }
    bool albumEnabled() const override { return album; }
    bool externallyReferenced() const override { return referenced; }
    QUrl referencedFolder() const override { return folder; }
    float scaleFactor() const override { return scale; }
    QVariant compressionFactor() const override { return quality; }
    bool fixedSize() const override { return fixed; }
    QVariant shortSize() const override { return shortSide; }
    QVariant longSize() const override { return longSide; }
    bool shortLocked() const override { return shortLock; }
    bool longLocked() const override { return longLock; }
    qint64 processingOption() const override { return option; }

    bool nowProcessing() const override;
    void setNowProcessing(bool processing) override;
    void setStatusText(const QString& text) override;
    void setCountText(const QString& text) override;
    void setScanButtonEnabled(bool enabled) override;
    void setProgressValue(double value) override;
    void setProgressMaxValue(double value) override;
    void runReportWritten(const QString& path) override;
    void showAlert(const QString& message, const QString& title) override;
    void userSelectedFiles(const QString& path) override;

    // The main window, as the run drove it.
    QStringList statusTexts() const;
    QStringList countTexts() const;
    std::vector<double> progressValues() const;
    std::vector<double> progressMaxValues() const;
    std::vector<bool> buttonStates() const;
    QString lastStatus() const;
    QString lastCount() const;
    /// The last progress value, or -1 when none was set.
    double lastProgress() const;
    /// The progress values since the last new maximum: after loading, the
    /// run's image progress.
    std::vector<double> progressSinceLastMaximum() const;

    std::vector<Sheet> sheets() const;
    std::vector<AccessRequest> accessRequests() const;
    QStringList reportPaths() const;

private:
    mutable QMutex m_mutex;
    bool m_nowProcessing = false;
    QStringList m_status;
    QStringList m_count;
    std::vector<double> m_progress;
    std::vector<double> m_progressMax;
    std::vector<bool> m_buttons;
    std::vector<double> m_progressSinceMax;
    std::vector<Sheet> m_sheets;
    std::vector<AccessRequest> m_requests;
    QStringList m_reports;
};
