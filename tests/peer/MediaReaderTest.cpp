#include "MediaReader.h"

#include "QtPrinters.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

TEST(MediaReader, readsExifDateTimesAsUtcAndRefusesTheRest)
{
    EXPECT_EQ(MediaReader::parseExifDate(QStringLiteral("2021:06:05 14:03:22")),
              QDateTime(QDate(2021, 6, 5), QTime(14, 3, 22), Qt::UTC));
    EXPECT_FALSE(MediaReader::parseExifDate(QStringLiteral("0000:00:00 00:00:00")));
    EXPECT_FALSE(MediaReader::parseExifDate(QStringLiteral("2021-06-05 14:03:22")));
    EXPECT_FALSE(MediaReader::parseExifDate(QStringLiteral("2021:06:05")));
    EXPECT_FALSE(MediaReader::parseExifDate(QStringLiteral("yesterday")));
    EXPECT_EQ(MediaReader::formatExifDate(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC)),
              QStringLiteral("2001:02:03 04:05:06"));
}

} // namespace
