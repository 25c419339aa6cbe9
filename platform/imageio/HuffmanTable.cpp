#include "HuffmanTable_p.h"

#include <algorithm>

namespace {
constexpr int kLongestCode = 16;
// The longest code the merging below can make (one per symbol), before the
// lengths are brought down to 16.
constexpr int kLongestMerged = 256;
} // namespace

bool HuffmanTable::read(const QByteArray& payload, qsizetype* offset)
{
    if (payload.size() - *offset < kLongestCode)
        return false;
    int total = 0;
    m_counts[0] = 0;
    for (int length = 1; length <= kLongestCode; ++length) {
        m_counts[size_t(length)] = uint8_t(payload[*offset + length - 1]);
        total += m_counts[size_t(length)];
    }
    *offset += kLongestCode;
    if (total > 256 || payload.size() - *offset < total)
        return false;
    m_symbols = payload.mid(*offset, total);
    *offset += total;
    // More codes of a length than the shorter ones leave room for is no
    // prefix code.
    uint32_t room = 1;
    for (int length = 1; length <= kLongestCode; ++length) {
        room = room * 2;
        if (m_counts[size_t(length)] > room)
            return false;
        room -= m_counts[size_t(length)];
    }
    assignCodes();
    return true;
}

QByteArray HuffmanTable::definition() const
{
    QByteArray bytes;
    for (int length = 1; length <= kLongestCode; ++length)
        bytes.append(char(m_counts[size_t(length)]));
    bytes.append(m_symbols);
    return bytes;
}

void HuffmanTable::assignCodes()
{
    m_code.fill(0);
    m_length.fill(0);
    m_fast.fill(0);
    m_largest.fill(-1);
    uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= kLongestCode; ++length) {
        m_offset[size_t(length)] = index - int32_t(code);
        for (int n = 0; n < m_counts[size_t(length)]; ++n, ++index, ++code) {
            const auto symbol = uint8_t(m_symbols[index]);
            m_code[symbol] = uint16_t(code);
            m_length[symbol] = uint8_t(length);
            if (length <= kFastBits) {
                // Every kFastBits-bit string this code begins.
                const uint32_t first = code << (kFastBits - length);
                const uint32_t last = first | ((1u << (kFastBits - length)) - 1);
                for (uint32_t bits = first; bits <= last; ++bits)
                    m_fast[bits] = uint16_t(length << 8 | symbol);
            }
        }
        if (m_counts[size_t(length)] > 0)
            m_largest[size_t(length)] = int32_t(code) - 1;
        code <<= 1;
    }
}

bool HuffmanTable::decode(uint32_t bits, int* length, uint8_t* symbol) const
{
    const uint16_t fast = m_fast[bits >> (kLongestCode - kFastBits)];
    if (fast != 0) {
        *length = fast >> 8;
        *symbol = uint8_t(fast & 0xff);
        return true;
    }
    for (int n = kFastBits + 1; n <= kLongestCode; ++n) {
        const auto code = int32_t(bits >> (kLongestCode - n));
        if (code <= m_largest[size_t(n)]) {
            *length = n;
            *symbol = uint8_t(m_symbols[m_offset[size_t(n)] + code]);
            return true;
        }
    }
    return false;
}

HuffmanTable HuffmanTable::optimal(const Counts& counts)
{
    // The merging procedure of the JPEG standard (its annex K.2), with the
    // tie rule libjpeg uses: among equal counts the higher symbol is taken
    // first. Symbol 256 is reserved with a count of one, so that it takes
    // the longest code and no real symbol is coded all ones.
    std::array<int64_t, 257> frequency{};
    std::copy(counts.begin(), counts.end(), frequency.begin());
    frequency[256] = 1;
    std::array<int, 257> codeSize{};
    std::array<int, 257> next{};
    next.fill(-1);
    for (;;) {
        int least = -1, second = -1;
        int64_t leastCount = INT64_MAX, secondCount = INT64_MAX;
        for (int i = 0; i <= 256; ++i)
            if (frequency[size_t(i)] > 0 && frequency[size_t(i)] <= leastCount) {
                leastCount = frequency[size_t(i)];
                least = i;
            }
        for (int i = 0; i <= 256; ++i)
            if (frequency[size_t(i)] > 0 && frequency[size_t(i)] <= secondCount && i != least) {
                secondCount = frequency[size_t(i)];
                second = i;
            }
        if (second < 0)
            break;
        frequency[size_t(least)] += frequency[size_t(second)];
        frequency[size_t(second)] = 0;
        // Every symbol in both chains gets one bit longer; the chains join.
        int i = least;
        for (++codeSize[size_t(i)]; next[size_t(i)] >= 0; ++codeSize[size_t(i)])
            i = next[size_t(i)];
        next[size_t(i)] = second;
        for (i = second, ++codeSize[size_t(i)]; next[size_t(i)] >= 0; ++codeSize[size_t(i)])
            i = next[size_t(i)];
    }

    std::array<int, kLongestMerged + 1> bits{};
    for (int i = 0; i <= 256; ++i)
        if (codeSize[size_t(i)] > 0)
            ++bits[size_t(codeSize[size_t(i)])];
    // Codes over 16 bits: a pair of them becomes one code a bit shorter and
    // a code of a shorter length splits to make room (annex K.3).
    for (int i = kLongestMerged; i > kLongestCode; --i) {
        while (bits[size_t(i)] > 0) {
            int j = i - 2;
            while (bits[size_t(j)] == 0)
                --j;
            bits[size_t(i)] -= 2;
            ++bits[size_t(i - 1)];
            bits[size_t(j + 1)] += 2;
            --bits[size_t(j)];
        }
    }
    // The reserved symbol's code is one of the longest: drop it. (With
    // nothing counted it never got one.)
    int longest = kLongestCode;
    while (longest > 0 && bits[size_t(longest)] == 0)
        --longest;
    if (longest > 0)
        --bits[size_t(longest)];

    HuffmanTable table;
    for (int length = 1; length <= kLongestCode; ++length)
        table.m_counts[size_t(length)] = uint8_t(bits[size_t(length)]);
    // Symbols by code length, then by value.
    for (int length = 1; length <= kLongestMerged; ++length)
        for (int symbol = 0; symbol < 256; ++symbol)
            if (codeSize[size_t(symbol)] == length)
                table.m_symbols.append(char(symbol));
    table.assignCodes();
    return table;
}
