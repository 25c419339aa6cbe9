#include "core/PropertyList.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

QString freshPath()
{
    return TestEnvironment::makeScratchDir("defaults") + "/org.example.Test.plist";
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(UserDefaults, persistentValuesOverrideRegisteredOnesAndSurviveReload)
{
    const QString path = freshPath();
    {
        UserDefaults defaults(path);
        defaults.registerDefaults({{"JpegQuality", 0.8}, {"TagEnabled", true}});
        EXPECT_DOUBLE_EQ(defaults.doubleForKey("JpegQuality"), 0.8);
        EXPECT_TRUE(defaults.setValue(0.5, "JpegQuality"));
        EXPECT_DOUBLE_EQ(defaults.doubleForKey("JpegQuality"), 0.5);
    }
    UserDefaults reloaded(path);
    EXPECT_DOUBLE_EQ(reloaded.doubleForKey("JpegQuality"), 0.5);
    // The registration domain is never saved.
    EXPECT_FALSE(reloaded.valueForKey("TagEnabled").isValid());
    auto onDisk = PropertyList::readDictionaryFile(path);
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->keys(), QStringList{"JpegQuality"});
}

TEST(UserDefaults, absentKeyIsDistinctFromAFalseOrZeroValue)
{
    UserDefaults defaults(freshPath());
    EXPECT_FALSE(defaults.valueForKey("ShortSide").isValid());
    defaults.setValue(qint64(0), "ShortSide");
    EXPECT_TRUE(defaults.valueForKey("ShortSide").isValid());
    EXPECT_EQ(defaults.integerForKey("ShortSide"), 0);
    defaults.removeObjectForKey("ShortSide");
    EXPECT_FALSE(defaults.hasValueForKey("ShortSide"));
}

TEST(UserDefaults, initialOptionCallsAtOnceWithoutValuesAndObserversSeeOnlyTheirKey)
{
    UserDefaults defaults(freshPath());
    defaults.registerDefaults({{"A", 1}, {"B", 2}});
    std::vector<std::pair<QString, QVariant>> calls;
    std::vector<UserDefaults::Change> changes;
    auto observer = [&](const QString& key, UserDefaults& object, const UserDefaults::Change& c) {
        calls.emplace_back(key, object.valueForKey(key));
        changes.push_back(c);
    };
    defaults.addObserver("A", UserDefaults::Initial, observer);
    defaults.addObserver("B", UserDefaults::Initial, observer);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].first, "A");
    EXPECT_EQ(calls[1].second.toInt(), 2);
    EXPECT_TRUE(changes[0].initial);
    EXPECT_FALSE(changes[0].newValue.has_value());
    EXPECT_FALSE(changes[0].oldValue.has_value());

    defaults.setValue(5, "B");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].first, "B");
    EXPECT_EQ(calls[2].second.toInt(), 5);
    EXPECT_FALSE(changes[2].initial);
    defaults.setValue(7, "C");
    EXPECT_EQ(calls.size(), 3u);
}

TEST(UserDefaults, observerRunsOnTheThreadThatMadeTheChange)
{
    UserDefaults defaults(freshPath());
    std::atomic<QThread*> seen{nullptr};
    defaults.addObserver("K", UserDefaults::New | UserDefaults::Old,
                         [&](const QString&, UserDefaults&, const UserDefaults::Change& c) {
                             seen = QThread::currentThread();
                             EXPECT_FALSE(c.oldValue.has_value());
                             EXPECT_EQ(c.newValue->toInt(), 1);
                         });
    QThread* worker = QThread::create([&] { defaults.setValue(1, "K"); });
    worker->start();
    worker->wait();
    EXPECT_EQ(seen.load(), worker);
    delete worker;
}

TEST(UserDefaults, unreadableFileIsKeptAsideNotOverwritten)
{
    const QString path = freshPath();
    const QByteArray corrupt("<?xml version=\"1.0\"?><plist><dict><key>JpegQ");
    writeFile(path, corrupt);
    SystemLog::Capture log;
    UserDefaults defaults(path);
    defaults.registerDefaults({{"JpegQuality", 0.8}});
    EXPECT_DOUBLE_EQ(defaults.doubleForKey("JpegQuality"), 0.8);
    ASSERT_FALSE(defaults.keptAsidePath().isEmpty());
    QFile aside(defaults.keptAsidePath());
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), corrupt);
    EXPECT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().value(0).contains(defaults.keptAsidePath()));
    // New settings go to a fresh file; the kept copy is untouched.
    EXPECT_TRUE(defaults.setValue(0.6, "JpegQuality"));
    EXPECT_TRUE(QFile::exists(defaults.keptAsidePath()));
}

TEST(UserDefaults, concurrentReadersAlwaysSeeAWholeValue)
{
    UserDefaults defaults(freshPath());
    defaults.setValue(QStringLiteral("a").repeated(1000), "S");
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    QThread* reader = QThread::create([&] {
        while (!stop) {
            const QString value = defaults.stringForKey("S");
            if (value.size() != 1000 ||
                (value != QString(1000, 'a') && value != QString(1000, 'b')))
                ++torn;
        }
    });
    reader->start();
    for (int i = 0; i < 200; ++i)
        defaults.setValue(QString(1000, i % 2 ? 'a' : 'b'), "S");
    stop = true;
    reader->wait();
    delete reader;
    EXPECT_EQ(torn.load(), 0);
}

} // namespace
