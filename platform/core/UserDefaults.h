#pragma once

#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

/// The per-user settings store: a registration domain (first-run values,
/// never saved) under a persistent domain kept as an XML property list.
///
/// Every change to the persistent domain is written at once, atomically
/// (temporary file, fsync, rename), so nothing needs saving at exit. Reads are
/// safe from any thread. Observers are per key and run synchronously on the
/// thread that made the change, after the change is visible to readers. A
/// persistent file that does not parse is renamed aside with a timestamp and
/// logged; the store then starts from the registration domain alone, so the
/// user's file is never overwritten unseen.
class UserDefaults {
public:
    /// Key-value observing options, with their customary values.
    enum ObservingOption : unsigned { New = 0x01, Old = 0x02, Initial = 0x04, Prior = 0x08 };

    /// What an observer is told. With the Initial option alone neither value
    /// is present; New and Old add the values they name.
    struct Change {
        std::optional<QVariant> oldValue;
        std::optional<QVariant> newValue;
        bool initial = false;
    };
    using Observer =
        std::function<void(const QString& keyPath, UserDefaults& object, const Change& change)>;

    /// A store whose persistent domain lives in the property list at `path`;
    /// with an empty path the store keeps its values in memory only.
    explicit UserDefaults(QString path);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    /// The application's store: `$XDG_CONFIG_HOME/<bundle identifier>.plist`
    /// (the bundle's name where it has no identifier).
    static UserDefaults& standard();
    /// Replaces the standard store (tests; tools that work on another file).
    static void setStandard(std::shared_ptr<UserDefaults> defaults);
    /// Where the standard store keeps its file for a bundle identifier.
    static QString standardPath(const QString& bundleIdentifier);

    void registerDefaults(const QVariantMap& defaults);
    /// Every value of the persistent domain.
    QVariantMap persistentDomain() const;

    /// The value of a key, from the persistent domain, else the registration
    /// domain; an invalid QVariant when the key has no value in either.
    QVariant valueForKey(const QString& key) const;
    bool hasValueForKey(const QString& key) const { return valueForKey(key).isValid(); }
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    float floatForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;
    QDateTime dateForKey(const QString& key) const;

    /// Stores a value in the persistent domain and saves; an invalid QVariant
    /// removes the key. Returns false when the file could not be written (the
    /// value is in force for this process all the same; the failure is logged).
    bool setValue(const QVariant& value, const QString& key);
    bool removeObjectForKey(const QString& key) { return setValue(QVariant(), key); }

    /// Adds an observer for one key; returns a token for removeObserver.
    int addObserver(const QString& key, unsigned options, Observer observer);
    void removeObserver(int token);

    QString path() const { return m_path; }
    /// The name the unreadable file was kept under at load, if that happened.
    QString keptAsidePath() const { return m_keptAsidePath; }

    static bool toBool(const QVariant& value);

private:
    struct Registration {
        int token;
        QString key;
        unsigned options;
        Observer observer;
    };

    void load();
    bool save(const QVariantMap& persistent);
    QVariant valueLocked(const QString& key) const;

    const QString m_path;
    QString m_keptAsidePath;
    bool m_saveRefused = false;
    mutable QMutex m_mutex;
    QVariantMap m_registered;
    QVariantMap m_persistent;
    std::vector<std::shared_ptr<Registration>> m_observers;
    int m_nextToken = 1;
    QMutex m_writeMutex; // one save at a time, in order of the changes
};
