#include "UserDefaults.h"

#include "PropertyList.h"
#include "SystemLog.h"
#include "Bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
std::shared_ptr<UserDefaults>& standardSlot()
{
    static std::shared_ptr<UserDefaults> slot;
    return slot;
}
QMutex& standardMutex()
{
    static QMutex mutex;
    return mutex;
}
} // namespace

UserDefaults::UserDefaults(QString path) : m_path(std::move(path))
{
    load();
}

UserDefaults::~UserDefaults() = default;

QString UserDefaults::standardPath(const QString& bundleIdentifier)
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QLatin1Char('/') + bundleIdentifier + QStringLiteral(".plist");
}

UserDefaults& UserDefaults::standard()
{
    QMutexLocker lock(&standardMutex());
    auto& slot = standardSlot();
    if (!slot) {
        const Bundle& bundle = Bundle::main();
        const QString identifier = bundle.bundleIdentifier();
        slot = std::make_shared<UserDefaults>(
            standardPath(identifier.isEmpty() ? bundle.bundleName() : identifier));
    }
    return *slot;
}

void UserDefaults::setStandard(std::shared_ptr<UserDefaults> defaults)
{
    QMutexLocker lock(&standardMutex());
    standardSlot() = std::move(defaults);
}

void UserDefaults::load()
{
    if (m_path.isEmpty() || !QFileInfo::exists(m_path))
        return;
    const Result<QVariantMap> dict = PropertyList::readDictionaryFile(m_path);
    if (dict) {
        m_persistent = *dict;
        return;
    }
    const QString error = dict.error();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + QStringLiteral(".unreadable-") + stamp + QStringLiteral("-%1").arg(n);
    if (QFile::rename(m_path, aside)) {
        m_keptAsidePath = aside;
        SystemLog::log(QStringLiteral("Preferences file %1 could not be read (%2); kept it as %3 "
                                      "and started from the default settings")
                           .arg(m_path, error, aside));
        return;
    }
    SystemLog::log(QStringLiteral("Preferences file %1 could not be read (%2) nor kept aside; "
                                  "settings will not be saved this session")
                       .arg(m_path, error));
    // Saving would overwrite the file the user may want back: refuse it.
    m_saveRefused = true;
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    QMutexLocker lock(&m_mutex);
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_registered.insert(it.key(), it.value());
}

QVariant UserDefaults::valueLocked(const QString& key) const
{
    auto it = m_persistent.constFind(key);
    if (it != m_persistent.cend())
        return *it;
    return m_registered.value(key);
}

QVariantMap UserDefaults::persistentDomain() const
{
    QMutexLocker lock(&m_mutex);
    return m_persistent;
}

QVariant UserDefaults::valueForKey(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return valueLocked(key);
}

bool UserDefaults::toBool(const QVariant& value)
{
    if (!value.isValid())
        return false;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        return text.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0 ||
               text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
               text.toLongLong() != 0;
    }
    if (value.canConvert<double>())
        return value.toDouble() != 0.0;
    return value.toBool();
}

bool UserDefaults::boolForKey(const QString& key) const
{
    return toBool(valueForKey(key));
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant value = valueForKey(key);
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return static_cast<qint64>(value.toDouble());
    if (value.typeId() == QMetaType::QString)
        return static_cast<qint64>(value.toString().trimmed().toDouble());
    return value.toLongLong();
}

float UserDefaults::floatForKey(const QString& key) const
{
    return static_cast<float>(doubleForKey(key));
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const QVariant value = valueForKey(key);
    if (value.typeId() == QMetaType::QString)
        return value.toString().trimmed().toDouble();
    return value.toDouble();
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant value = valueForKey(key);
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return QString();
    }
}

QDateTime UserDefaults::dateForKey(const QString& key) const
{
    const QVariant value = valueForKey(key);
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
}

bool UserDefaults::save(const QVariantMap& persistent)
{
    if (m_saveRefused)
        return false;
    if (m_path.isEmpty())
        return true;
    const Result<QByteArray> bytes = PropertyList::serialize(persistent, PropertyList::Format::Xml);
    if (!bytes) {
        SystemLog::log(
            QStringLiteral("Preferences not saved to %1: %2").arg(m_path, bytes.error()));
        return false;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path); // writes a temporary file, syncs it and renames it over the old one
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
        SystemLog::log(
            QStringLiteral("Preferences not saved to %1: %2").arg(m_path, file.errorString()));
        return false;
    }
    return true;
}

bool UserDefaults::setValue(const QVariant& value, const QString& key)
{
    QMutexLocker writeLock(&m_writeMutex);
    std::optional<QVariant> oldValue;
    std::vector<std::shared_ptr<Registration>> observers;
    QVariantMap snapshot;
    std::optional<QVariant> newValue;
    {
        QMutexLocker lock(&m_mutex);
        const QVariant before = valueLocked(key);
        if (before.isValid())
            oldValue = before;
        if (value.isValid())
            m_persistent.insert(key, value);
        else
            m_persistent.remove(key);
        const QVariant after = valueLocked(key);
        if (after.isValid())
            newValue = after;
        snapshot = m_persistent;
        for (const auto& registration : m_observers)
            if (registration->key == key)
                observers.push_back(registration);
    }
    const bool saved = save(snapshot);
    writeLock.unlock();
    for (const auto& registration : observers) {
        Change change;
        if (registration->options & Old)
            change.oldValue = oldValue;
        if (registration->options & New)
            change.newValue = newValue;
        registration->observer(key, *this, change);
    }
    return saved;
}

int UserDefaults::addObserver(const QString& key, unsigned options, Observer observer)
{
    auto registration = std::make_shared<Registration>();
    registration->key = key;
    registration->options = options;
    registration->observer = std::move(observer);
    {
        QMutexLocker lock(&m_mutex);
        registration->token = m_nextToken++;
        m_observers.push_back(registration);
    }
    if (options & Initial) {
        Change change;
        change.initial = true;
        if (options & New) {
            const QVariant current = valueForKey(key);
            if (current.isValid())
                change.newValue = current;
        }
        registration->observer(key, *this, change);
    }
    return registration->token;
}

void UserDefaults::removeObserver(int token)
{
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_observers, [token](const auto& r) { return r->token == token; });
}
