#include "BoxShrink_p.h"

#include "GeneratedImage_p.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace {
struct Factors {
    int wide = 1;
    int high = 1;
    double sampleMaximum = 255.0; // of the input, mapped onto 255
};

struct Sums {
    std::vector<uint32_t> columns; // one input row, summed over a block's rows
    std::vector<uint32_t> blocks;  // one output row, summed over whole blocks
};
using Sequence = GeneratedImage::Sequence<Sums>;

// The loops below run in blocks of a constant 16 samples, which the
// compiler vectorises even at -O2, and a plain loop for the rest.
constexpr int kBlock = 16;

// Starts (first row of a block) or continues the column sums with one row.
template <typename Sample>
void addRow(const Sample* __restrict row, uint32_t* __restrict sums, int samples, bool first)
{
    int i = 0;
    if (first) {
        for (; i + kBlock <= samples; i += kBlock)
            for (int k = 0; k < kBlock; ++k)
                sums[i + k] = row[i + k];
        for (; i < samples; ++i)
            sums[i] = row[i];
        return;
    }
    for (; i + kBlock <= samples; i += kBlock)
        for (int k = 0; k < kBlock; ++k)
            sums[i + k] += row[i + k];
    for (; i < samples; ++i)
        sums[i] += row[i];
}

// Adds the column sums of each block across; a block cut by the right edge
// adds the columns it has. `Bands` is a constant for the common band counts
// so that the inner loops unroll, or 0 for any other.
template <int Bands>
void sumAcross(const uint32_t* __restrict columns, uint32_t* __restrict blocks, int outWidth,
               int inWidth, int factor, int bands)
{
    if constexpr (Bands > 0)
        bands = Bands;
    for (int x = 0; x < outWidth; ++x) {
        const int count = std::min(factor, inWidth - x * factor);
        const uint32_t* block = columns + x * factor * bands;
        for (int band = 0; band < bands; ++band)
            blocks[x * bands + band] = block[band];
        for (int c = 1; c < count; ++c)
            for (int band = 0; band < bands; ++band)
                blocks[x * bands + band] += block[c * bands + band];
    }
}

void sumAcross(const uint32_t* columns, uint32_t* blocks, int outWidth, int inWidth, int factor,
               int bands)
{
    switch (bands) {
    case 1:
        return sumAcross<1>(columns, blocks, outWidth, inWidth, factor, bands);
    case 3:
        return sumAcross<3>(columns, blocks, outWidth, inWidth, factor, bands);
    case 4:
        return sumAcross<4>(columns, blocks, outWidth, inWidth, factor, bands);
    default:
        return sumAcross<0>(columns, blocks, outWidth, inWidth, factor, bands);
    }
}

// Block sums to rounded 8-bit means, at `scale` (255 over the block's
// largest possible sum). Single precision is exact enough: its relative
// error stays far below half an 8-bit level.
void toEightBits(const uint32_t* __restrict sums, uint8_t* __restrict out, int samples, float scale)
{
    int i = 0;
    for (; i + kBlock <= samples; i += kBlock)
        for (int k = 0; k < kBlock; ++k)
            out[i + k] = uint8_t(std::min(255.0f, float(sums[i + k]) * scale + 0.5f));
    for (; i < samples; ++i)
        out[i] = uint8_t(std::min(255.0f, float(sums[i]) * scale + 0.5f));
}

template <typename Sample>
int shrinkArea(VipsRegion* out, Sequence* sequence, const Factors& factors)
{
    const VipsImage* input = sequence->in->im;
    const VipsRect area = out->valid;
    const int bands = out->im->Bands;
    const VipsRect need = {
        area.left * factors.wide, area.top * factors.high,
        std::min(area.width * factors.wide, input->Xsize - area.left * factors.wide),
        std::min(area.height * factors.high, input->Ysize - area.top * factors.high)};
    if (vips_region_prepare(sequence->in, &need))
        return -1;
    const int inSamples = need.width * bands;
    const int outSamples = area.width * bands;
    sequence->scratch.columns.resize(size_t(inSamples));
    sequence->scratch.blocks.resize(size_t(outSamples));
    uint32_t* columns = sequence->scratch.columns.data();
    uint32_t* blocks = sequence->scratch.blocks.data();
    // A block cut by the right edge has fewer columns than the rest.
    const int lastColumns = need.width - (area.width - 1) * factors.wide;
    for (int y = 0; y < area.height; ++y) {
        const int firstRow = need.top + y * factors.high;
        const int rows = std::min(factors.high, need.top + need.height - firstRow);
        for (int r = 0; r < rows; ++r)
            addRow(reinterpret_cast<const Sample*>(
                       VIPS_REGION_ADDR(sequence->in, need.left, firstRow + r)),
                   columns, inSamples, r == 0);
        sumAcross(columns, blocks, area.width, need.width, factors.wide, bands);
        auto* q = reinterpret_cast<uint8_t*>(VIPS_REGION_ADDR(out, area.left, area.top + y));
        const double perSample = 255.0 / (factors.sampleMaximum * rows);
        toEightBits(blocks, q, outSamples, float(perSample / factors.wide));
        if (lastColumns < factors.wide)
            toEightBits(blocks + outSamples - bands, q + outSamples - bands, bands,
                        float(perSample / lastColumns));
    }
    return 0;
}

int generate(VipsRegion* out, void* data, void*, void* b, gboolean*)
{
    auto* sequence = static_cast<Sequence*>(data);
    const auto* factors = static_cast<const Factors*>(b);
    if (sequence->in->im->BandFmt == VIPS_FORMAT_USHORT)
        return shrinkArea<uint16_t>(out, sequence, *factors);
    return shrinkArea<uint8_t>(out, sequence, *factors);
}

void freeFactors(VipsImage*, Factors* factors)
{
    delete factors;
}
} // namespace

vips::VImage BoxShrink::shrink(const vips::VImage& in, int factorWide, int factorHigh)
{
    if ((in.format() != VIPS_FORMAT_UCHAR && in.format() != VIPS_FORMAT_USHORT) ||
        in.coding() != VIPS_CODING_NONE || factorWide < 1 || factorHigh < 1)
        throw vips::VError("box shrink: 8- or 16-bit pixels and positive factors only");
    auto factors = std::make_unique<Factors>();
    factors->wide = factorWide;
    factors->high = factorHigh;
    factors->sampleMaximum = in.format() == VIPS_FORMAT_USHORT ? 65535.0 : 255.0;
    const int width = (in.width() + factorWide - 1) / factorWide;
    const int height = (in.height() + factorHigh - 1) / factorHigh;
    vips::VImage out = GeneratedImage::make(in, width, height, VIPS_FORMAT_UCHAR, Sequence::start,
                                            generate, Sequence::stop, factors.get());
    // The factors live as long as the image that reads them.
    g_signal_connect(out.get_image(), "close", G_CALLBACK(freeFactors), factors.release());
    return out;
}
