#pragma once

#include <QString>

#include <functional>
#include <vector>

class QObject;
class UserDefaults;

/// The defaults keys a window shows: for each key a function that shows its
/// current value, run once at once and again after every change of the key.
///
/// A change made on another thread is shown on the thread of `context` (the
/// window's, the main thread) without making the changing thread wait; a
/// change made on that thread is shown at once. The function is told nothing
/// and reads the value itself, so it always shows the latest one. Removes its
/// observers when destroyed; the store and the context must outlive it.
class DefaultsObservers {
public:
    DefaultsObservers(UserDefaults& defaults, QObject* context);
    ~DefaultsObservers();
    DefaultsObservers(const DefaultsObservers&) = delete;
    DefaultsObservers& operator=(const DefaultsObservers&) = delete;

    void observe(const QString& key, std::function<void()> show);
    UserDefaults& defaults() const { return m_defaults; }

private:
    UserDefaults& m_defaults;
    QObject* m_context;
    std::vector<int> m_tokens;
};
