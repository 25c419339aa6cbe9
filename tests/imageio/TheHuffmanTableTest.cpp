#include "imageio/HuffmanTable_p.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {
// Every counted symbol has a code of 1 to 16 bits that decodes back to it,
// and the codes leave the all-ones string of every length unused.
void expectUsableCodes(const HuffmanTable::Counts& counts)
{
    const HuffmanTable table = HuffmanTable::optimal(counts);
    double kraft = 0;
    for (int symbol = 0; symbol < 256; ++symbol) {
        const int length = table.codeLength(uint8_t(symbol));
        if (counts[size_t(symbol)] == 0) {
            EXPECT_EQ(length, 0) << "symbol " << symbol;
            continue;
        }
        ASSERT_GE(length, 1) << "symbol " << symbol;
        ASSERT_LE(length, 16) << "symbol " << symbol;
        const uint32_t code = table.code(uint8_t(symbol));
        EXPECT_NE(code, (1u << length) - 1) << "symbol " << symbol << " is coded all ones";
        kraft += 1.0 / double(1u << length);
        int decodedLength = 0;
        uint8_t decoded = 0;
        ASSERT_TRUE(table.decode(code << (16 - length), &decodedLength, &decoded));
        EXPECT_EQ(decoded, symbol);
        EXPECT_EQ(decodedLength, length);
    }
    EXPECT_LT(kraft, 1.0);
}
} // namespace

TEST(TheHuffmanTable, givesEveryCountedSymbolAUsableCodeHoweverSkewedTheCounts)
{
    HuffmanTable::Counts one{};
    one[0x42] = 1000;
    expectUsableCodes(one);

    // Counts growing like Fibonacci numbers would give codes of 30 bits and
    // more before the lengths are brought down to 16.
    HuffmanTable::Counts skewed{};
    uint32_t a = 1, b = 1;
    for (int symbol = 0; symbol < 40; ++symbol) {
        skewed[size_t(symbol * 5)] = a;
        const uint32_t next = a + b;
        a = b;
        b = next;
    }
    expectUsableCodes(skewed);

    HuffmanTable::Counts all{};
    for (int symbol = 0; symbol < 256; ++symbol)
        all[size_t(symbol)] = uint32_t(1 + symbol * symbol);
    expectUsableCodes(all);
}

TEST(TheHuffmanTable, readsBackTheDefinitionItWrites)
{
    HuffmanTable::Counts counts{};
    for (int symbol = 0; symbol < 12; ++symbol)
        counts[size_t(symbol)] = uint32_t(100 >> (symbol / 2)) + 1;
    const HuffmanTable table = HuffmanTable::optimal(counts);
    const QByteArray definition = table.definition();

    HuffmanTable read;
    qsizetype offset = 0;
    ASSERT_TRUE(read.read(definition, &offset));
    EXPECT_EQ(offset, definition.size());
    for (int symbol = 0; symbol < 256; ++symbol) {
        EXPECT_EQ(read.code(uint8_t(symbol)), table.code(uint8_t(symbol)));
        EXPECT_EQ(read.codeLength(uint8_t(symbol)), table.codeLength(uint8_t(symbol)));
    }

    // Three codes of one bit are no prefix code.
    QByteArray impossible(16, '\0');
    impossible[0] = 3;
    impossible += QByteArray("\x01\x02\x03", 3);
    offset = 0;
    EXPECT_FALSE(HuffmanTable().read(impossible, &offset));
    offset = 0;
    EXPECT_FALSE(HuffmanTable().read(definition.left(10), &offset)) << "cut short";
}
