#include "SyntheticScene.h"

#include "SampleRandom.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
// Texture: each octave doubles the frequency; the amplitude falls by this
// factor per octave (natural scenes have a falling 1/f-like spectrum).
constexpr double kCoarsestAmplitude = 0.2;
constexpr double kAmplitudeFalloff = 0.88;
constexpr double kFinestCell = 2.0;
// Colour cast: two coarse octaves per channel.
constexpr double kTintAmplitude = 0.08;
// Sensor noise, on linear values: variance = read² + gain · signal.
constexpr double kReadNoise = 0.003;
constexpr double kShotGain = 1.5e-4;

quint64 mix(quint64 z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// A value in [-1, 1] for a lattice point of one octave.
float lattice(quint64 seed, qint64 ix, qint64 iy)
{
    const quint64 h =
        mix(seed ^ (quint64(ix) * 0x9e3779b97f4a7c15ULL) ^ (quint64(iy) * 0xc2b2ae3d27d4eb4fULL));
    return float(h >> 40) / float(1 << 23) - 1.0f;
}

float smooth(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

// Adds amplitude × value noise of lattice spacing `cell` pixels, on row y,
// into `out` (one float per pixel).
void addOctave(quint64 seed, double cell, double amplitude, int y, int width, float* out)
{
    const double gy = y / cell;
    const auto iy = qint64(std::floor(gy));
    const float fy = smooth(float(gy - double(iy)));
    const int columns = int(width / cell) + 2;
    // The lattice blended down to this row, then across per pixel.
    std::vector<float> blended(size_t(columns) + 1);
    for (int ix = 0; ix <= columns; ++ix) {
        const float top = lattice(seed, ix, iy);
        const float bottom = lattice(seed, ix, iy + 1);
        blended[size_t(ix)] = float(amplitude) * (top + (bottom - top) * fy);
    }
    const double step = 1.0 / cell;
    for (int x = 0; x < width; ++x) {
        const double gx = x * step;
        const int ix = int(gx);
        const float fx = smooth(float(gx - ix));
        const float a = blended[size_t(ix)];
        out[x] += a + (blended[size_t(ix) + 1] - a) * fx;
    }
}

// A sum of three uniform numbers, centred and scaled: close enough to a
// normal distribution for noise, and cheap.
float normal(quint64 h)
{
    const float a = float(h & 0x1fffff), b = float((h >> 21) & 0x1fffff),
                c = float((h >> 42) & 0x1fffff);
    return ((a + b + c) / float(1 << 21) - 1.5f) * 2.0f;
}
} // namespace

SyntheticScene::SyntheticScene(quint64 seed) : m_seed(mix(seed + 0x5eed))
{
    SampleRandom random(seed);
    const auto colour = [&](double low, double high) {
        return std::array<float, 3>{float(random.uniform(low, high)),
                                    float(random.uniform(low, high)),
                                    float(random.uniform(low, high))};
    };
    m_top = colour(0.15, 0.6);
    m_bottom = colour(0.02, 0.3);
    const int shapes = 3 + int(random.below(5));
    for (int i = 0; i < shapes; ++i) {
        Shape shape;
        shape.disc = random.below(3) == 0;
        shape.u0 = random.uniform(0.2, 0.8);
        shape.v0 = random.uniform(0.25, 0.85);
        shape.u1 = shape.disc ? random.uniform(0.03, 0.12) : shape.u0 + random.uniform(0.05, 0.3);
        shape.v1 = shape.v0 + random.uniform(0.05, 0.3);
        shape.colour = colour(0.05, 0.8);
        m_shapes.push_back(shape);
    }
}

void SyntheticScene::row(int y, int width, int height, float* rgb) const
{
    const double v = (y + 0.5) / height;
    const double aspect = double(width) / height;
    for (int x = 0; x < width; ++x) {
        const double u = (x + 0.5) / width;
        std::array<float, 3> c;
        for (int k = 0; k < 3; ++k)
            c[k] = float(m_top[k] * (1 - v) + m_bottom[k] * v);
        for (const Shape& shape : m_shapes) {
            bool inside = false;
            if (shape.disc) {
                const double du = (u - shape.u0) * aspect;
                const double dv = v - shape.v0;
                inside = du * du + dv * dv < shape.u1 * shape.u1 * aspect * aspect;
            } else {
                inside = u >= shape.u0 && u < shape.u1 && v >= shape.v0 && v < shape.v1;
            }
            if (inside)
                c = shape.colour;
        }
        // The marker: a white square in the top-left corner, 10 % of the short side.
        const double side = 0.1 * std::min(width, height);
        if (x >= 0.03 * width && x < 0.03 * width + side && y >= 0.03 * height &&
            y < 0.03 * height + side)
            c = {0.95f, 0.95f, 0.95f};
        rgb[3 * x] = c[0];
        rgb[3 * x + 1] = c[1];
        rgb[3 * x + 2] = c[2];
    }
    addTexture(y, width, height, rgb);
    addNoise(y, width, rgb);
}

void SyntheticScene::addTexture(int y, int width, int height, float* rgb) const
{
    // Brightness varies by a factor of 2^t: multiplicative, as light and
    // reflectance are.
    std::vector<float> texture(size_t(width), 0.0f);
    double amplitude = kCoarsestAmplitude;
    quint64 octave = 0;
    for (double cell = std::min(width, height) / 4.0; cell >= kFinestCell; cell /= 2.0) {
        addOctave(m_seed + ++octave, cell, amplitude, y, width, texture.data());
        amplitude *= kAmplitudeFalloff;
    }
    std::array<std::vector<float>, 3> tint;
    const double coarse = std::max(width, height) / 3.0;
    for (size_t k = 0; k < 3; ++k) {
        tint[k].assign(size_t(width), 0.0f);
        addOctave(m_seed + 100 + k, coarse, kTintAmplitude, y, width, tint[k].data());
        addOctave(m_seed + 200 + k, coarse / 4, kTintAmplitude / 2, y, width, tint[k].data());
    }
    for (int x = 0; x < width; ++x)
        for (size_t k = 0; k < 3; ++k)
            rgb[3 * x + int(k)] *= std::exp2(texture[size_t(x)] + tint[k][size_t(x)]);
}

void SyntheticScene::addNoise(int y, int width, float* rgb) const
{
    const quint64 rowSeed = mix(m_seed ^ (quint64(y) * 0xd6e8feb86659fd93ULL));
    for (int i = 0; i < 3 * width; ++i) {
        const float signal = std::clamp(rgb[i], 0.0f, 1.0f);
        const float sigma = std::sqrt(float(kReadNoise * kReadNoise) + float(kShotGain) * signal);
        rgb[i] = std::clamp(signal + sigma * normal(mix(rowSeed + quint64(i))), 0.0f, 1.0f);
    }
}

std::vector<uint8_t> SyntheticScene::srgbPixels(int width, int height) const
{
    std::vector<float> rgb(size_t(width) * 3);
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        row(y, width, height, rgb.data());
        uint8_t* out = pixels.data() + size_t(y) * size_t(width) * 3;
        for (size_t i = 0; i < rgb.size(); ++i) {
            const double linear = std::clamp(double(rgb[i]), 0.0, 1.0);
            const double encoded =
                linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
            out[i] = uint8_t(std::lround(encoded * 255));
        }
    }
    return pixels;
}
