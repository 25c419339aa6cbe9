#pragma once

#include <QtGlobal>

/// The pixel size of a rendered JPEG, from the exported image's size and the
/// output size settings. Pure; any thread.
///
/// Without a fixed size the image is scaled by the scale factor, and not
/// redrawn at all at exactly 1.0. With a fixed size a binding long side
/// limits the image's longer side, a binding short side its shorter side;
/// with one side binding the other follows in proportion, with both each is
/// limited on its own. A side of 0 (or less) never binds, locked or not, so
/// the rule never asks for an empty image. Nothing is enlarged except by a
/// scale factor above 1. A square image counts as portrait: its height is
/// its long side. Results are in double precision, not rounded.
class OutputSizeRule {
public:
    struct Settings {
        float scaleFactor = 1.0f;
        bool fixedSize = false;
        qint64 longSize = 0;
        qint64 shortSize = 0;
        bool longLocked = false;
        bool shortLocked = false;
    };

    struct Result {
        bool redraw = false;
        double w = 0.0;
        double h = 0.0;
    };

    static Result apply(qint64 width, qint64 height, const Settings& settings);
};
