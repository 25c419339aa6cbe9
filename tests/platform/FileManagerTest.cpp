#include "core/FileManager.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <sys/xattr.h>

namespace {

bool write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

struct stat statusOf(const QString& path)
{
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

// A bundle-like tree: an executable, a folder with its own mode, a link.
QString makeTree(const QString& root)
{
    const QString tree = root + "/Tool.app";
    QDir().mkpath(tree + "/Contents/MacOS");
    QDir().mkpath(tree + "/Contents/Private");
    write(tree + "/Contents/MacOS/tool", "#!/bin/sh\n");
    ::chmod(QFile::encodeName(tree + "/Contents/MacOS/tool").constData(), 0751);
    ::chmod(QFile::encodeName(tree + "/Contents/Private").constData(), 0700);
    QFile::link("MacOS/tool", tree + "/Contents/current");
    const timeval old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimes(QFile::encodeName(tree + "/Contents/MacOS/tool").constData(), old);
    ::utimes(QFile::encodeName(tree + "/Contents").constData(), old);
    return tree;
}

TEST(FileManager, copyKeepsLinksPermissionsTimesAndAttributes)
{
    const QString root = TestEnvironment::makeScratchDir("copy");
    const QString tree = makeTree(root);
    const QByteArray tool = QFile::encodeName(tree + "/Contents/MacOS/tool");
    const bool attributes = ::setxattr(tool.constData(), "user.note", "kept", 4, 0) == 0;

    const Result<void> copied = FileManager::copyItem(tree, root + "/Copy.app");
    ASSERT_TRUE(copied) << qPrintable(copied.error());

    const QString copy = root + "/Copy.app";
    EXPECT_EQ(QFile::symLinkTarget(copy + "/Contents/current"),
              QFileInfo(copy + "/Contents/MacOS/tool").absoluteFilePath());
    EXPECT_TRUE(QFileInfo(copy + "/Contents/current").isSymLink());
    EXPECT_EQ(statusOf(copy + "/Contents/MacOS/tool").st_mode & 07777, 0751u);
    EXPECT_EQ(statusOf(copy + "/Contents/Private").st_mode & 07777, 0700u);
    EXPECT_EQ(statusOf(copy + "/Contents/MacOS/tool").st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(statusOf(copy + "/Contents").st_mtim.tv_sec, 1000000000);
    if (attributes) {
        char value[8] = {};
        const QByteArray copied = QFile::encodeName(copy + "/Contents/MacOS/tool");
        EXPECT_EQ(::getxattr(copied.constData(), "user.note", value, sizeof value), 4);
        EXPECT_STREQ(value, "kept");
    }
}

TEST(FileManager, aCopyThatFailsLeavesNothingAtTheDestinationOrBesideIt)
{
    const QString root = TestEnvironment::makeScratchDir("half");
    const QString tree = makeTree(root);
    ASSERT_EQ(::mkfifo(QFile::encodeName(tree + "/Contents/MacOS/fifo").constData(), 0600), 0);
    const QString target = TestEnvironment::makeScratchDir("target");

    const Result<void> copied = FileManager::copyItem(tree, target + "/Tool.app");
    EXPECT_FALSE(copied);
    EXPECT_TRUE(copied.error().contains("fifo")) << qPrintable(copied.error());
    EXPECT_TRUE(QDir(target).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                     QDir::System));
}

TEST(FileManager, aCopyNeverReplacesAnExistingItem)
{
    const QString root = TestEnvironment::makeScratchDir("exists");
    const QString tree = makeTree(root);
    ASSERT_TRUE(write(root + "/Copy.app", "keep"));
    const Result<void> copied = FileManager::copyItem(tree, root + "/Copy.app");
    EXPECT_FALSE(copied);
    EXPECT_TRUE(copied.error().contains("already exists")) << qPrintable(copied.error());
    QFile kept(root + "/Copy.app");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep");
}

TEST(FileManager, removingExtendedAttributesReachesEveryItemAndSparesOthers)
{
    const QString tree = makeTree(TestEnvironment::makeScratchDir("attributes"));
    const QByteArray top = QFile::encodeName(tree);
    const QByteArray tool = QFile::encodeName(tree + "/Contents/MacOS/tool");
    if (::setxattr(top.constData(), "user.xdg.origin.url", "u", 1, 0) != 0)
        GTEST_SKIP() << "this file system keeps no user attributes";
    ::setxattr(tool.constData(), "user.xdg.origin.url", "u", 1, 0);
    ::setxattr(tool.constData(), "user.note", "n", 1, 0);

    FileManager::removeExtendedAttributes(tree, {"user.xdg.origin.url"});

    EXPECT_LT(::getxattr(top.constData(), "user.xdg.origin.url", nullptr, 0), 0);
    EXPECT_LT(::getxattr(tool.constData(), "user.xdg.origin.url", nullptr, 0), 0);
    EXPECT_EQ(::getxattr(tool.constData(), "user.note", nullptr, 0), 1);
}

} // namespace
