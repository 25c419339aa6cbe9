#pragma once

#include "RunDelegate.h"

#include <QMutex>
#include <QStringList>
#include <QThread>

#include <functional>
#include <vector>

/// A delegate for the data-access tests: default settings, and a record of
/// the loading progress and of read-access requests (with the thread each
/// came on). `grant` runs inside userSelectedFiles(), so a test can give the
/// access asked for. Thread-safe.
class StubRunDelegate : public RunDelegate {
public:
    struct Request {
        QString path;
        QThread* thread;
    };

    std::function<void(const QString&)> grant;

    bool tagEnabled() const override { return false; }
    bool trashEnabled() const override { return false; }
    bool hideEnabled() const override { return false; }
    bool albumEnabled() const override { return false; }
    bool externallyReferenced() const override { return false; }
    QUrl referencedFolder() const override { return {}; }
    float scaleFactor() const override { return 1.0f; }
    QVariant compressionFactor() const override { return 0.8; }
    bool fixedSize() const override { return false; }
    QVariant shortSize() const override { return qint64(0); }
    QVariant longSize() const override { return qint64(0); }
    bool shortLocked() const override { return false; }
    bool longLocked() const override { return false; }
    qint64 processingOption() const override { return 1; }
    bool nowProcessing() const override { return false; }
    void setNowProcessing(bool) override {}
    void setStatusText(const QString&) override {}
    void setCountText(const QString&) override {}
    void setScanButtonEnabled(bool) override {}
    void setProgressValue(double) override {}
    void setProgressMaxValue(double) override {}
    void cfgInfoText(const QString& text) override
    {
        QMutexLocker lock(&m_mutex);
        m_infoTexts.append(text);
    }
    void cfgProgressBarMaxValue(float value) override
    {
        QMutexLocker lock(&m_mutex);
        m_maxValues.push_back(value);
    }
    void cfgProgressBarCurrentValue(float value) override
    {
        QMutexLocker lock(&m_mutex);
        m_progress.push_back(value);
    }
    void cfgProgressBarDeterminate() override {}
    void showAlert(const QString&, const QString&) override {}
    void userSelectedFiles(const QString& path) override
    {
        {
            QMutexLocker lock(&m_mutex);
            m_requests.push_back({path, QThread::currentThread()});
        }
        if (grant)
            grant(path);
    }

    QStringList infoTexts() const
    {
        QMutexLocker lock(&m_mutex);
        return m_infoTexts;
    }
    std::vector<float> maxValues() const
    {
        QMutexLocker lock(&m_mutex);
        return m_maxValues;
    }
    std::vector<float> progress() const
    {
        QMutexLocker lock(&m_mutex);
        return m_progress;
    }
    std::vector<Request> requests() const
    {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

private:
    mutable QMutex m_mutex;
    QStringList m_infoTexts;
    std::vector<float> m_maxValues;
    std::vector<float> m_progress;
    std::vector<Request> m_requests;
};
