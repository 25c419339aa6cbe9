// library-account: a short account of a photo library for people, read from
// `photolib show LIB` on standard input: image versions, the JPEGs that carry
// a keyword, hidden originals, what sits in the library's trash, and the
// bytes its masters take.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cstdio>

namespace {

double megabytes(qint64 bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

bool carriesKeyword(const QJsonObject& version, const QString& keyword)
{
    for (const QJsonValue& k : version.value("keywords").toArray())
        if (k.toObject().value("name").toString() == keyword)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString keyword =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Tolvane Processed");
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(input.readAll(), &error);
    if (!document.isObject()) {
        std::fprintf(stderr, "library-account: not a library description: %s\n",
                     qPrintable(error.errorString()));
        return 2;
    }
    const QJsonObject library = document.object();

    QSet<qint64> trashedProjects;
    for (const QJsonValue& p : library.value("projects").toArray())
        if (p.toObject().value("trashed").toBool())
            trashedProjects.insert(p.toObject().value("id").toInteger());

    int versions = 0, jpegsWithKeyword = 0, hidden = 0, inTrash = 0;
    qint64 bytesInLibrary = 0, bytesInTrash = 0, masterFiles = 0;
    QSet<QString> counted;
    for (const QJsonValue& value : library.value("versions").toArray()) {
        const QJsonObject version = value.toObject();
        ++versions;
        const bool trashed = version.value("trashed").toBool() ||
                             trashedProjects.contains(version.value("project").toInteger());
        inTrash += trashed ? 1 : 0;
        hidden += version.value("mainRating").toInt() == -1 ? 1 : 0;
        const QJsonArray masters = version.value("masterFiles").toArray();
        const QString firstMaster = masters.at(0).toObject().value("path").toString();
        if (firstMaster.endsWith(".jpg", Qt::CaseInsensitive) && carriesKeyword(version, keyword))
            ++jpegsWithKeyword;
        for (const QJsonValue& m : masters) {
            const QString path = m.toObject().value("path").toString();
            if (counted.contains(path))
                continue;
            counted.insert(path);
            ++masterFiles;
            const qint64 size = m.toObject().value("size").toInteger();
            (trashed ? bytesInTrash : bytesInLibrary) += size;
        }
    }
    std::printf("Library %s\n", qPrintable(QFileInfo(library.value("path").toString()).fileName()));
    std::printf("  image versions:                   %d\n", versions);
    std::printf("  JPEGs carrying \"%s\": %d\n", qPrintable(keyword), jpegsWithKeyword);
    std::printf("  hidden (rejected) versions:       %d\n", hidden);
    std::printf("  versions in the library's trash:  %d\n", inTrash);
    std::printf("  master files:                     %lld, %.2f MB in use, %.2f MB in the trash\n",
                static_cast<long long>(masterFiles), megabytes(bytesInLibrary),
                megabytes(bytesInTrash));
    return 0;
}
