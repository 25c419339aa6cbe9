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

QString OutputNaming::freePath(const QString& folder, const QString& fileName)
{
    const QString base = baseName(fileName);
    const QString extension = fileName.mid(base.size());
    QString path = folder + fileName;
    for (long n = 1; QFileInfo::exists(path); ++n)
        path = folder + base + QStringLiteral(" (%1)").arg(n) + extension;
    return path;
}

QString OutputNaming::outputPath(const QString& workFolder, const QString& masterFileName,
                                 bool externallyReferenced)
{
    const QString name = baseName(masterFileName) + QStringLiteral(".jpg");
    if (!externallyReferenced)
        return workFolder + name;
    return freePath(workFolder, name);
}
