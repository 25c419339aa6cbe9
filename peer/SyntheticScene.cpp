#include "SyntheticScene.h"

#include "SampleRandom.h"

#include <algorithm>

SyntheticScene::SyntheticScene(quint64 seed)
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
}
