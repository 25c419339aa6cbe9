#pragma once

#include <QLatin1StringView>
#include <QtGlobal>

#include <optional>

/// The settings the window, the terminal front end and the runs share: each
/// defaults key spelled once, and what the stored numbers of the processing
/// option and the output size mean. The stored values never change meaning:
/// these names are for reading the code.
///
/// Constants only; usable from any thread and during static initialisation.
class TolvaneSettings {
public:
    // The window's settings.
    static constexpr QLatin1StringView JpegQuality{"JpegQuality"};
    static constexpr QLatin1StringView JpegOutputSize{"JpegOutputSize"};
    static constexpr QLatin1StringView ProcessingOption{"ProcessingOption"};
    static constexpr QLatin1StringView AlbumEnabled{"AlbumEnabled"};
    static constexpr QLatin1StringView ExternallyReferenced{"ExternallyReferenced"};
    static constexpr QLatin1StringView TagEnabled{"TagEnabled"};
    static constexpr QLatin1StringView TrashEnabled{"TrashEnabled"};
    static constexpr QLatin1StringView HideEnabled{"HideEnabled"};
    static constexpr QLatin1StringView OnlySmallerFiles{"OnlySmallerFiles"};
    // The fixed output size.
    static constexpr QLatin1StringView ShortSide{"ShortSide"};
    static constexpr QLatin1StringView LongSide{"LongSide"};
    static constexpr QLatin1StringView ShortLocked{"ShortLocked"};
    static constexpr QLatin1StringView LongLocked{"LongLocked"};
    // The keyword texts.
    static constexpr QLatin1StringView ParentKeywords{"ParentKeywords"};
    static constexpr QLatin1StringView OriginalsKeyword{"OriginalsKeyword"};
    static constexpr QLatin1StringView ProcessedKeyword{"ProcessedKeyword"};
    static constexpr QLatin1StringView ExtractedRawKeyword{"ExtractedRawKeyword"};
    static constexpr QLatin1StringView ExtractedJpegKeyword{"ExtractedJpegKeyword"};
    static constexpr QLatin1StringView ExtractedSeparatedKeyword{"ExtractedSeparatedKeyword"};
    // Settings without a control in the main window.
    static constexpr QLatin1StringView SkipConvertedImages{"SkipConvertedImages"};
    static constexpr QLatin1StringView EstimateSampleSize{"EstimateSampleSize"};

    /// The stored "ProcessingOption" numbers.
    enum class Option : qint64 {
        ConvertKeepingAdjustments = 0,
        ConvertWithoutAdjustments = 1,
        SplitKeepingBoth = 2,
        SplitKeepingRaw = 3,
        SplitKeepingJpeg = 4,
    };
    static constexpr qint64 OptionCount = 5;
    /// The two runs an option selects.
    enum class Run { Conversion, PairSeparation };
    /// The run a stored option selects; none for a number outside the five.
    static constexpr std::optional<Run> runFor(qint64 option)
    {
        if (option < 0 || option >= OptionCount)
            return std::nullopt;
        return option <= qint64(Option::ConvertWithoutAdjustments) ? Run::Conversion
                                                                   : Run::PairSeparation;
    }
    static constexpr bool is(qint64 stored, Option option) { return stored == qint64(option); }

    /// The stored "JpegOutputSize" numbers: four scales, then the fixed size.
    enum class OutputSize : qint64 {
        Full = 0,
        ThreeQuarters = 1,
        Half = 2,
        Quarter = 3,
        Fixed = 4
    };
    static constexpr qint64 OutputSizeCount = 5;
    /// The scale of a stored output size; 1 for the fixed size and for any
    /// number outside the five.
    static constexpr float scaleFor(qint64 outputSize)
    {
        switch (outputSize) {
        case qint64(OutputSize::ThreeQuarters):
            return 0.75f;
        case qint64(OutputSize::Half):
            return 0.5f;
        case qint64(OutputSize::Quarter):
            return 0.25f;
        default:
            return 1.0f;
        }
    }
};
