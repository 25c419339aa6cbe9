#include "RunRules.h"

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

QString RunRules::statisticsMessage(qint64 originalSize, qint64 convertedSize)
{
    const double perMegabyte = 1.0 / 1024;
    const double original = static_cast<double>(originalSize) * perMegabyte * perMegabyte;
    const double converted = static_cast<double>(convertedSize) * perMegabyte * perMegabyte;
    const double savings =
        static_cast<double>(originalSize - convertedSize) * perMegabyte * perMegabyte;
    return QString::asprintf("Tolvane finished processing. - Check your keywords for Tolvane "
                             "Original and Tolvane Processed.\n\nStats:\nOriginals: %.2f "
                             "MB\nConverted: %.2f MB\nSavings: %.2f MB",
                             original, converted, savings);
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
        const bool keep = option == 2 || (option == 3 && !jpeg) || (option == 4 && jpeg);
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
