#pragma once

#include "RunDelegate.h"

#include <QMutex>
#include <QStringList>

#include <vector>

/// A run's delegate for engine tests: settings set by the test, and a record
/// of everything the run shows (status texts, file names, progress, the scan
/// button, alert sheets, read-access requests). Thread-safe.
class TestRunDelegate : public RunDelegate {
public:
    struct Sheet {
        QString title;
        QString message;
    };

    // Settings, as the test wants them.
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
    void cfgInfoText(const QString&) override {}
    // The loading phases' own steps are not part of the run's image progress.
    void cfgProgressBarMaxValue(float) override {}
    void cfgProgressBarCurrentValue(float) override {}
    void cfgProgressBarDeterminate() override {}
    void showAlert(const QString& message, const QString& title) override;
    void userSelectedFiles(const QString& path) override;

    QStringList statusTexts() const;
    QStringList countTexts() const;
    std::vector<double> progressValues() const;
    std::vector<bool> buttonStates() const;
    std::vector<Sheet> sheets() const;
    QStringList accessRequests() const;
    QString lastStatus() const { return statusTexts().value(statusTexts().size() - 1); }
    QString lastCount() const { return countTexts().value(countTexts().size() - 1); }
    double lastProgress() const;

private:
    mutable QMutex m_mutex;
    bool m_nowProcessing = false;
    QStringList m_status;
    QStringList m_count;
    std::vector<double> m_progress;
    std::vector<bool> m_buttons;
    std::vector<Sheet> m_sheets;
    QStringList m_requests;
};
