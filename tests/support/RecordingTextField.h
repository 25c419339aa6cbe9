#pragma once

#include "ui/TextField.h"

#include <QMutex>
#include <QStringList>

#include <atomic>

/// A text field that remembers every value set on it, in order, and counts
/// the sets that arrived off the main thread (which a correct delegate never
/// makes). Used by tests in place of a widget; the record may be read from
/// any thread.
class RecordingTextField : public TextField {
public:
    void setStringValue(const QString& text) override;
    QString stringValue() const override;
    void endEditing() override { ++m_endEditing; }
    int endEditingCalls() const { return m_endEditing.load(); }
    QStringList history() const;
    int offMainThreadCalls() const { return m_offMain.load(); }

private:
    mutable QMutex m_mutex;
    QString m_value;
    QStringList m_history;
    std::atomic<int> m_offMain{0};
    std::atomic<int> m_endEditing{0};
};
