#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>

/// One Huffman table of a JPEG's entropy coding, as a DHT segment defines
/// it: how many codes there are of each length 1–16 and the symbols in code
/// order, from which the canonical codes follow. Also makes the optimal table
/// for a count of symbols, as libjpeg does for its "optimised" tables, so the
/// two agree code for code. Internal to the image layer (HuffmanRecoder); a
/// plain value; any thread.
class HuffmanTable {
public:
    /// How often each of the 256 symbols occurs.
    using Counts = std::array<uint32_t, 256>;

    /// Reads one table from a DHT segment's payload at `offset`; moves
    /// `offset` past it. False when the payload is too short or the table is
    /// impossible (more codes than lengths allow).
    bool read(const QByteArray& payload, qsizetype* offset);
    /// The table's definition as a DHT segment holds it, after the
    /// class/identifier byte.
    QByteArray definition() const;
    /// The shortest-on-average table for these counts with no code longer
    /// than 16 bits and none all ones; every symbol counted gets a code.
    static HuffmanTable optimal(const Counts& counts);

    /// Decoding: the symbol whose code starts `bits` (the next 16 bits of
    /// the stream, first bit highest), and its length in `length`; false when
    /// no code matches.
    bool decode(uint32_t bits, int* length, uint8_t* symbol) const;
    /// Encoding: the code of `symbol` and its length, 0 when it has none.
    uint16_t code(uint8_t symbol) const { return m_code[symbol]; }
    int codeLength(uint8_t symbol) const { return m_length[symbol]; }

private:
    void assignCodes();

    std::array<uint8_t, 17> m_counts{}; // codes of each length; [0] unused
    QByteArray m_symbols;               // in code order
    std::array<uint16_t, 256> m_code{};
    std::array<uint8_t, 256> m_length{};
    // Canonical decoding: for each length, the largest code (or -1 when
    // none) and the index of its first symbol minus its first code.
    std::array<int32_t, 18> m_largest{};
    std::array<int32_t, 17> m_offset{};
    // The first kFastBits bits to (length << 8 | symbol); 0 for longer codes.
    static constexpr int kFastBits = 9;
    std::array<uint16_t, 1 << kFastBits> m_fast{};
};
