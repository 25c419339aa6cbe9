#include "imageio/ImageFileTypes.h"

#include <gtest/gtest.h>

TEST(ImageFileTypes, listsEachExtensionInLowerAndUpperCase)
{
    const QStringList types = ImageFileTypes::list();
    for (const char* extension :
         {"tif", "tiff", "jpg", "jpeg", "png", "dng", "cr2", "nef", "arw", "raf"}) {
        EXPECT_TRUE(types.contains(QString(extension))) << extension;
        EXPECT_TRUE(types.contains(QString(extension).toUpper())) << extension;
    }
    for (const QString& type : types) {
        EXPECT_FALSE(type.contains('.')) << type.toStdString();
        EXPECT_TRUE(types.contains(type.toLower()) && types.contains(type.toUpper()))
            << type.toStdString();
    }
    QStringList unique = types;
    EXPECT_EQ(unique.removeDuplicates(), 0);
}

TEST(ImageFileTypes, comparesExactly)
{
    EXPECT_TRUE(ImageFileTypes::contains("CR2"));
    EXPECT_TRUE(ImageFileTypes::contains("cr2"));
    EXPECT_FALSE(ImageFileTypes::contains("Cr2"));
    EXPECT_FALSE(ImageFileTypes::contains(".cr2"));
    EXPECT_FALSE(ImageFileTypes::contains(""));
    EXPECT_FALSE(ImageFileTypes::contains("txt"));
}
