#pragma once

#include "FaultPlan.h"

#include <QString>

/// How `photolib serve` behaves: the bus name it owns, what the library
/// offers, and the faults that tests can ask it to show. The defaults are
/// those of a healthy library.
struct ServeOptions {
    /// What becomes of the stock "TIFF - Original Size (16-bit)" setting.
    enum class TiffSetting { Stock, Missing, EightBit, HalfSize, Jpeg };

    QString busName = QStringLiteral("com.apple.aperture");
    /// The application's `version` text.
    QString versionText = QStringLiteral("3.6");
    TiffSetting tiffSetting = TiffSetting::Stock;
    FaultPlan faults;
};
