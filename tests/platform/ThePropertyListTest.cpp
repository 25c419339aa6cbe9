#include "core/PropertyList.h"

#include <QDateTime>
#include <QPointF>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QVariantMap sampleTree()
{
    QVariantMap inner;
    inner.insert(QStringLiteral("negative"), qint64(-42));
    inner.insert(QStringLiteral("big"), qint64(1) << 40);
    inner.insert(QStringLiteral("data"), QByteArray("\x00\x01\xff", 3));
    QVariantMap root;
    root.insert(QStringLiteral("name"), QStringLiteral("Tolvane – ünïcode"));
    root.insert(QStringLiteral("quality"), 0.8);
    root.insert(QStringLiteral("on"), true);
    root.insert(QStringLiteral("off"), false);
    root.insert(QStringLiteral("when"), QDateTime(QDate(2012, 3, 4), QTime(5, 6, 7), Qt::UTC));
    root.insert(QStringLiteral("list"),
                QVariantList{qint64(1), QStringLiteral("two"), QVariantList{}, QVariantMap{}});
    root.insert(QStringLiteral("inner"), inner);
    return root;
}

// The parameter is the format a round trip writes.
class ThePropertyList : public testing::TestWithParam<PropertyList::Format> {};

TEST_P(ThePropertyList, roundTripKeepsEveryKindOfValue)
{
    const QVariantMap tree = sampleTree();
    const Result<QByteArray> bytes = PropertyList::serialize(tree, GetParam());
    ASSERT_TRUE(bytes) << bytes.error().toStdString();
    const Result<QVariantMap> back = PropertyList::parseDictionary(*bytes);
    ASSERT_TRUE(back) << back.error().toStdString();

    EXPECT_EQ(back->value("name").toString(), tree.value("name").toString());
    EXPECT_DOUBLE_EQ(back->value("quality").toDouble(), 0.8);
    EXPECT_EQ(back->value("on").typeId(), QMetaType::Bool);
    EXPECT_TRUE(back->value("on").toBool());
    EXPECT_FALSE(back->value("off").toBool());
    EXPECT_EQ(back->value("when").toDateTime(), tree.value("when").toDateTime());
    const QVariantMap inner = back->value("inner").toMap();
    EXPECT_EQ(inner.value("negative").toLongLong(), -42);
    EXPECT_EQ(inner.value("big").toLongLong(), qint64(1) << 40);
    EXPECT_EQ(inner.value("data").toByteArray(), QByteArray("\x00\x01\xff", 3));
    const QVariantList list = back->value("list").toList();
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list[1].toString(), QStringLiteral("two"));
    EXPECT_EQ(list[3].typeId(), QMetaType::QVariantMap);
}

INSTANTIATE_TEST_SUITE_P(Formats, ThePropertyList,
                         testing::Values(PropertyList::Format::Xml, PropertyList::Format::Binary),
                         [](const auto& info) {
                             return std::string(
                                 info.param == PropertyList::Format::Xml ? "inXml" : "inBinary");
                         });

TEST_F(ThePropertyList, rejectsBadInputWithAReason)
{
    const QByteArray xml = *PropertyList::serialize(sampleTree(), PropertyList::Format::Xml);
    const QByteArray binary = *PropertyList::serialize(sampleTree(), PropertyList::Format::Binary);
    const QList<QByteArray> bad = {
        QByteArray(),
        QByteArray("garbage that is no property list"),
        xml.left(xml.size() / 2),
        binary.left(binary.size() / 2),
        binary.left(12),
        QByteArray("bplist00") + QByteArray(64, '\xff'),
        QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a</key>"),
    };
    for (const QByteArray& bytes : bad) {
        const Result<QVariantMap> parsed = PropertyList::parseDictionary(bytes);
        EXPECT_FALSE(parsed) << bytes.left(40).toStdString();
        EXPECT_FALSE(parsed.error().isEmpty());
    }
}

TEST_F(ThePropertyList, refusesARootThatIsNotADictionary)
{
    const QByteArray array =
        *PropertyList::serialize(QVariantList{qint64(1)}, PropertyList::Format::Xml);
    EXPECT_TRUE(PropertyList::parse(array));
    const Result<QVariantMap> parsed = PropertyList::parseDictionary(array);
    EXPECT_FALSE(parsed);
    EXPECT_TRUE(parsed.error().contains("not a dictionary"));
}

} // namespace
