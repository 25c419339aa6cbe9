#pragma once

#include "core/Result.h"

#include <QByteArray>

/// Rewrites a baseline JPEG's entropy-coded data with Huffman tables made
/// for its own symbols: the file libjpeg writes with "optimised" tables, but
/// without the whole-image buffer of DCT coefficients libjpeg holds for them
/// (72 MB for 24 megapixels, more at full colour resolution, each page of it
/// fresh memory). The data is read twice instead: once to count the symbols,
/// once to write each with its new code. Restart intervals are independent,
/// so both passes share them out among threads. The coefficients are
/// untouched: the result decodes to exactly the same pixels.
///
/// Called by JpegDestination on any thread. Fails, and the input is then to
/// be kept as it is, on anything but one baseline or extended-sequential,
/// Huffman-coded, 8-bit scan that decodes cleanly.
class HuffmanRecoder {
public:
    static Result<QByteArray> recode(const QByteArray& jpeg, int threads);
};
