#include "OutputNaming.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {
void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}
} // namespace

TEST(OutputNaming, baseNameDropsOnlyTheLastExtension)
{
    EXPECT_EQ(OutputNaming::baseName("IMG_0001.CR2"), "IMG_0001");
    EXPECT_EQ(OutputNaming::baseName("a.b.CR2"), "a.b");
    EXPECT_EQ(OutputNaming::baseName("IMG_0001"), "IMG_0001");
    EXPECT_EQ(OutputNaming::baseName("IMG_0001."), "IMG_0001");
    EXPECT_EQ(OutputNaming::baseName(".hidden"), ".hidden");
    EXPECT_EQ(OutputNaming::baseName("dir.d/IMG"), "dir.d/IMG");
    EXPECT_EQ(OutputNaming::baseName(""), "");
}

TEST(OutputNaming, externallyReferencedOutputNeverReplacesAFile)
{
    const QString folder = TestEnvironment::makeScratchDir("naming") + "/";
    EXPECT_EQ(OutputNaming::outputPath(folder, "IMG_0001.CR2", true), folder + "IMG_0001.jpg");

    touch(folder + "IMG_0001.jpg");
    EXPECT_EQ(OutputNaming::outputPath(folder, "IMG_0001.CR2", true), folder + "IMG_0001 (1).jpg");
    touch(folder + "IMG_0001 (1).jpg");
    EXPECT_EQ(OutputNaming::outputPath(folder, "IMG_0001.CR2", true), folder + "IMG_0001 (2).jpg");
    // A folder of that name counts as taken too.
    QDir(folder).mkdir("IMG_0001 (2).jpg");
    EXPECT_EQ(OutputNaming::outputPath(folder, "IMG_0001.CR2", true), folder + "IMG_0001 (3).jpg");
    // A gap is not filled: the first free candidate in order wins.
    touch(folder + "IMG_0002 (1).jpg");
    EXPECT_EQ(OutputNaming::outputPath(folder, "IMG_0002.NEF", true), folder + "IMG_0002.jpg");
}

TEST(OutputNaming, workFolderOutputIsOverwrittenWithoutCheck)
{
    const QString folder = TestEnvironment::makeScratchDir("overwrite") + "/";
    touch(folder + "IMG_0001.jpg");
    EXPECT_EQ(OutputNaming::outputPath(folder, "IMG_0001.CR2", false), folder + "IMG_0001.jpg");
}
