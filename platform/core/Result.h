#pragma once

#include <QString>

#include <optional>
#include <utility>

/// The text of what went wrong, to return where a Result is expected:
/// `return Failure(QStringLiteral("cannot read %1: %2").arg(path, why));`
struct Failure {
    explicit Failure(QString text) : error(std::move(text)) {}
    QString error;
};

/// A value, or the text of what went wrong — what a platform adapter hands
/// back where the library under it can fail. The text carries its context
/// (the file, the step, the library's own words), ready for a log line or
/// an alert. Test it before taking the value: value() of a failure is a bug
/// of the caller. A plain value; any thread.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_error(std::move(failure.error)) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    const T* operator->() const { return &*m_value; }
    /// What went wrong; empty for a value.
    const QString& error() const { return m_error; }

private:
    std::optional<T> m_value;
    QString m_error;
};

/// Success with nothing to hand back, or the text of what went wrong.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_error(std::move(failure.error)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString& error() const { return m_error; }

private:
    bool m_failed = false;
    QString m_error;
};
