#include "HorizontalLanczos_p.h"

#include "GeneratedImage_p.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace {
constexpr int kLobes = 3;
constexpr int kFractionBits = 14;
constexpr int kOne = 1 << kFractionBits;

double lanczos(double t)
{
    t = std::fabs(t);
    if (t < 1e-12)
        return 1.0;
    if (t >= kLobes)
        return 0.0;
    const double a = std::numbers::pi * t;
    return kLobes * std::sin(a) * std::sin(a / kLobes) / (a * a);
}

// Per output column: the first input column it reads and its weights.
struct Kernel {
    int inWidth = 0;
    int taps = 0; // padded to a multiple of 8
    std::vector<int> first;
    std::vector<int16_t> weights; // taps per output column
};

Kernel* makeKernel(int inWidth, int outWidth)
{
    auto* kernel = new Kernel;
    const double scale = double(inWidth) / outWidth;
    const double stretch = std::max(1.0, scale); // widen the kernel when reducing
    const double support = kLobes * stretch;
    const int reach = int(std::ceil(2 * support)) + 1;
    kernel->inWidth = inWidth;
    kernel->taps = (reach + 7) / 8 * 8;
    kernel->first.resize(size_t(outWidth));
    kernel->weights.assign(size_t(outWidth) * size_t(kernel->taps), 0);
    std::vector<double> folded(size_t(kernel->taps));
    for (int x = 0; x < outWidth; ++x) {
        const double centre = (x + 0.5) * scale - 0.5;
        const int from = int(std::floor(centre - support)) + 1;
        const int window = std::clamp(from, 0, std::max(0, inWidth - kernel->taps));
        std::fill(folded.begin(), folded.end(), 0.0);
        double sum = 0.0;
        for (int i = from; i < from + reach; ++i) {
            const double w = lanczos((i - centre) / stretch);
            folded[size_t(std::clamp(i, 0, inWidth - 1) - window)] += w;
            sum += w;
        }
        int16_t* weights = &kernel->weights[size_t(x) * size_t(kernel->taps)];
        int total = 0;
        int largest = 0;
        for (int t = 0; t < kernel->taps; ++t) {
            weights[t] = int16_t(std::lround(folded[size_t(t)] / sum * kOne));
            total += weights[t];
            if (std::abs(weights[t]) > std::abs(weights[largest]))
                largest = t;
        }
        weights[largest] = int16_t(weights[largest] + kOne - total);
        kernel->first[size_t(x)] = window;
    }
    return kernel;
}

// One plane of 16-bit samples per band.
using Sequence = GeneratedImage::Sequence<std::vector<int16_t>>;

int generate(VipsRegion* out, void* data, void*, void* b, gboolean*)
{
    auto* sequence = static_cast<Sequence*>(data);
    const auto* kernel = static_cast<const Kernel*>(b);
    const VipsRect area = out->valid;
    const int bands = out->im->Bands;
    const int taps = kernel->taps;
    const int left = kernel->first[size_t(area.left)];
    const int right =
        std::min(kernel->first[size_t(area.left + area.width - 1)] + taps, kernel->inWidth);
    VipsRect need = {left, area.top, right - left, area.height};
    if (vips_region_prepare(sequence->in, &need))
        return -1;
    // One plane per band, with room for the padded taps past the right edge
    // (their weights are 0).
    const size_t stride = size_t(need.width + taps);
    sequence->scratch.assign(stride * size_t(bands), 0);
    for (int y = 0; y < area.height; ++y) {
        const auto* p =
            reinterpret_cast<const uint8_t*>(VIPS_REGION_ADDR(sequence->in, left, area.top + y));
        for (int i = 0; i < need.width; ++i)
            for (int band = 0; band < bands; ++band)
                sequence->scratch[size_t(band) * stride + size_t(i)] = p[i * bands + band];
        auto* q = reinterpret_cast<uint8_t*>(VIPS_REGION_ADDR(out, area.left, area.top + y));
        for (int x = area.left; x < area.left + area.width; ++x) {
            const int16_t* weights = &kernel->weights[size_t(x) * size_t(taps)];
            const size_t offset = size_t(kernel->first[size_t(x)] - left);
            for (int band = 0; band < bands; ++band) {
                const int16_t* samples = &sequence->scratch[size_t(band) * stride + offset];
                int32_t sum = kOne / 2;
                // Blocks of a constant 8 taps: vectorised even at -O2.
                for (int t = 0; t < taps; t += 8) {
                    int32_t block = 0;
                    for (int k = 0; k < 8; ++k)
                        block += int32_t(weights[t + k]) * int32_t(samples[t + k]);
                    sum += block;
                }
                *q++ = uint8_t(std::clamp(sum >> kFractionBits, 0, 255));
            }
        }
    }
    return 0;
}

void freeKernel(VipsImage*, Kernel* kernel)
{
    delete kernel;
}
} // namespace

vips::VImage HorizontalLanczos::resample(const vips::VImage& in, int width)
{
    if (in.format() != VIPS_FORMAT_UCHAR || in.coding() != VIPS_CODING_NONE || width < 1)
        throw vips::VError("horizontal Lanczos: 8-bit pixels and a positive width only");
    auto kernel = std::unique_ptr<Kernel>(makeKernel(in.width(), width));
    vips::VImage out =
        GeneratedImage::make(in, width, in.height(), VIPS_FORMAT_UCHAR, Sequence::start, generate,
                             Sequence::stop, kernel.get());
    // The kernel lives as long as the image that reads it.
    g_signal_connect(out.get_image(), "close", G_CALLBACK(freeKernel), kernel.release());
    return out;
}
