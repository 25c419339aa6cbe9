#include "OutputNaming.h"

#include <QFileInfo>

QString OutputNaming::baseName(const QString& masterFileName)
{
    const qsizetype slash = masterFileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = masterFileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        return masterFileName;
    return masterFileName.left(dot);
}

QString OutputNaming::outputPath(const QString& workFolder, const QString& masterFileName,
                                 bool externallyReferenced)
{
    const QString base = baseName(masterFileName);
    QString path = workFolder + base + QStringLiteral(".jpg");
    if (!externallyReferenced)
        return path;
    for (long n = 1; QFileInfo::exists(path); ++n)
        path = workFolder + base + QStringLiteral(" (%1).jpg").arg(n);
    return path;
}
