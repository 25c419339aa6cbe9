#include "RunRules.h"

#include "TolvaneSettings.h"

#include <algorithm>

QString RunRules::parentChain(const QString& parentKeywords)
{
    QStringList pieces = (parentKeywords.isNull() ? QString() : parentKeywords)
                             .split(QLatin1Char(','), Qt::KeepEmptyParts);
    std::reverse(pieces.begin(), pieces.end());
    return pieces.join(QLatin1Char('\t'));
}

QString RunRules::sidecarPath(const QString& exportedPath)
{
    const qsizetype slash = exportedPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = exportedPath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? exportedPath.left(dot) : exportedPath;
    return stem + QStringLiteral(".XMP");
}

bool RunRules::isSixteenBitTiffSetting(const QString& name)
{
    return name.contains(QLatin1String("TIFF -"), Qt::CaseSensitive) &&
           (name.contains(QLatin1String("(16-bit)"), Qt::CaseInsensitive) ||
            name.contains(QLatin1String("(16 bits)"), Qt::CaseInsensitive));
}

namespace {
double inMegabytes(qint64 bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

QString statisticsFigures(qint64 originalSize, qint64 convertedSize)
{
    return QString::asprintf("Stats:\nOriginals: %.2f MB\nConverted: %.2f MB\nSavings: %.2f MB",
                             inMegabytes(originalSize), inMegabytes(convertedSize),
                             inMegabytes(originalSize - convertedSize));
}
} // namespace

QString RunRules::statisticsMessage(qint64 originalSize, qint64 convertedSize)
{
    return QStringLiteral("Tolvane finished processing. - Check your keywords for Tolvane "
                          "Original and Tolvane Processed.\n\n") +
           statisticsFigures(originalSize, convertedSize);
}

QString RunRules::estimateMessage(qint64 originalSize, qint64 convertedSize, qsizetype sampled,
                                  qsizetype candidates)
{
    const QString scope =
        sampled < candidates
            ? QStringLiteral("Estimated from an evenly spread sample of %1 of the %2 images to "
                             "convert, extrapolated by the sizes of their masters.")
                  .arg(sampled)
                  .arg(candidates)
            : QStringLiteral("Estimated from all %1 images to convert.").arg(candidates);
    return scope + QStringLiteral(" Nothing in the library was changed.\n\n") +
           statisticsFigures(originalSize, convertedSize);
}

QList<qsizetype> RunRules::evenSample(qsizetype total, qsizetype count)
{
    QList<qsizetype> indices;
    if (count <= 0 || count >= total)
        count = total;
    for (qsizetype k = 0; k < count; ++k)
        indices.append(count == total ? k : (2 * k + 1) * total / (2 * count));
    return indices;
}

QString RunRules::megabytes(qint64 bytes)
{
    return QString::asprintf("%.2f", inMegabytes(bytes));
}

QString RunRules::extension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

RunRules::PairPlan RunRules::planPair(const QStringList& files, qint64 option,
                                      const std::function<bool(const QString&)>& isDirectory,
                                      const std::function<bool(const QString&)>& isJpeg)
{
    PairPlan plan;
    for (const QString& file : files) {
        if (isDirectory(file))
            continue;
        const bool jpeg = isJpeg(file);
        using Option = TolvaneSettings::Option;
        const bool keep = TolvaneSettings::is(option, Option::SplitKeepingBoth) ||
                          (TolvaneSettings::is(option, Option::SplitKeepingRaw) && !jpeg) ||
                          (TolvaneSettings::is(option, Option::SplitKeepingJpeg) && jpeg);
        (keep ? plan.kept : plan.deleted).append(file);
    }
    return plan;
}

bool RunRules::isImageFile(const QString& path, const QStringList& imageTypes,
                           const std::function<bool(const QString&)>& isJpeg)
{
    if (isJpeg(path))
        return true;
    const QString suffix = extension(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    return !suffix.isEmpty() && imageTypes.contains(suffix, Qt::CaseInsensitive);
}

QString RunRules::pairLeftMessage(const QString& masterName, qsizetype imageFiles, qsizetype lost)
{
    if (imageFiles == 0)
        return QStringLiteral("%1 left as it was: none of its files is one to keep")
            .arg(masterName);
    return QStringLiteral("%1 left as it was: %2 of its %3 photo files made no new image")
        .arg(masterName)
        .arg(lost)
        .arg(imageFiles);
}
