#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <vector>

/// A deterministic picture drawn from a seed: a two-colour gradient sky,
/// coloured boxes and discs, and a white marker square near the top-left
/// corner (so rotations show in renders), with the detail a photograph has:
/// texture at every scale from a quarter of the short side down to two
/// pixels, stronger at the coarse scales as in natural scenes, a slow colour
/// cast, and sensor noise as at a middling ISO (a read-noise floor plus shot
/// noise that grows with the signal). Values are linear RGB in [0, 1].
///
/// Immutable after construction; any thread.
class SyntheticScene {
public:
    explicit SyntheticScene(quint64 seed);

    /// One row of `width` pixels at height fraction `v` (0 top, 1 bottom)
    /// of an image `height` pixels high: 3 floats per pixel into `rgb`.
    void row(int y, int width, int height, float* rgb) const;
    /// The whole picture as 8-bit sRGB (the transfer curve a camera's JPEG
    /// has), 3 bytes per pixel, rows top to bottom.
    std::vector<uint8_t> srgbPixels(int width, int height) const;

private:
    struct Shape {
        bool disc;
        double u0, v0, u1, v1; // box corners, or centre (u0, v0) and radius u1 (of the width)
        std::array<float, 3> colour;
    };

    void addTexture(int y, int width, int height, float* rgb) const;
    void addNoise(int y, int width, float* rgb) const;

    quint64 m_seed;
    std::array<float, 3> m_top;
    std::array<float, 3> m_bottom;
    std::vector<Shape> m_shapes;
};
