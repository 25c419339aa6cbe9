#include "Catalog.h"
#include "Importer.h"
#include "Library.h"
#include "MetadataWriter.h"
#include "PeerError.h"
#include "Transaction.h"

#include "QtPrinters.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>
#include <vips/vips8>

#include <csignal>
#include <optional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Caps the size of any file this process writes, as a full disk would: a
/// write past the cap fails (with the signal it raises ignored). Works for
/// root too, where a read-only folder would not stop anything.
class FileSizeCap {
public:
    explicit FileSizeCap(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        rlimit capped = m_before;
        capped.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &capped);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeCap()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_signal);
    }
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;

private:
    rlimit m_before{};
    void (*m_signal)(int) = nullptr;
};

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// A JPEG of noise, half a megabyte or so: much bigger than the library's
/// database, so that a cap at half its size stops only the file work.
QString writeJpeg(const QString& path)
{
    vips::VImage::gaussnoise(1000, 800)
        .cast(VIPS_FORMAT_UCHAR)
        .jpegsave(QFile::encodeName(path).constData(), vips::VImage::option()->set("Q", 95));
    return path;
}

/// Every file and folder under `folder`, relative to it; "missing" when it is
/// not there.
QStringList everythingUnder(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return {QStringLiteral("missing")};
    QStringList entries;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        entries.append(QDir(folder).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

TEST(PeerMasterFiles, aMastersNewDateReplacesItWholeOrNotAtAll)
{
    const QString folder = TestEnvironment::makeScratchDir(QStringLiteral("masters"));
    const QString master = writeJpeg(folder + QStringLiteral("/Master.jpg"));
    const QByteArray before = contentOf(master);
    ASSERT_GT(before.size(), 200000);
    const QDateTime date(QDate(2019, 4, 2), QTime(10, 30), QTimeZone::utc());

    {
        const FileSizeCap full(before.size() / 2);
        EXPECT_THROW(MetadataWriter::writeImageDate(master, date), PeerError);
    }
    EXPECT_EQ(contentOf(master), before) << "the old master stays whole";
    EXPECT_EQ(everythingUnder(folder), QStringList{QStringLiteral("Master.jpg")})
        << "no temporary file is left beside it";

    // A second name for the old file keeps the old bytes: the new ones came
    // as a new file that took the master's name, not as writes into it.
    const QString oldName = folder + QStringLiteral("/Old.jpg");
    ASSERT_EQ(::link(qPrintable(master), qPrintable(oldName)), 0);
    MetadataWriter::writeImageDate(master, date);
    EXPECT_EQ(contentOf(oldName), before);
    EXPECT_NE(contentOf(master), before);
    EXPECT_TRUE(contentOf(master).contains("2019:04:02 10:30:00")) << "the new master has the date";
    EXPECT_EQ(everythingUnder(folder),
              (QStringList{QStringLiteral("Master.jpg"), QStringLiteral("Old.jpg")}));
}

TEST(PeerMasterFiles, aFailedImportLeavesTheMastersFolderAsItWas)
{
    const QString path = TestEnvironment::makeScratchDir(QStringLiteral("import")) +
                         QStringLiteral("/Import.aplibrary");
    Library::create(path);
    Library library(path);
    Catalog catalog(library);
    // A card on another file system: its files are copied in, not linked, so
    // a full library disk stops the import part-way.
    QTemporaryDir card(QStringLiteral("/dev/shm/photolib-card-XXXXXX"));
    struct stat cardFs = {};
    struct stat libraryFs = {};
    if (!card.isValid() || ::stat(qPrintable(card.path()), &cardFs) != 0 ||
        ::stat(qPrintable(path), &libraryFs) != 0 || cardFs.st_dev == libraryFs.st_dev) {
        GTEST_SKIP() << "needs /dev/shm on a file system of its own";
    }
    const QString source = writeJpeg(card.path() + QStringLiteral("/IMG_0001.jpg"));
    const QByteArray sourceBytes = contentOf(source);

    const auto import = [&](bool diskFull, bool commit) {
        Transaction transaction(library.db(), Transaction::Kind::Write);
        Importer importer(library, catalog, *QRandomGenerator::global());
        const qint64 project = catalog.createProject(QStringLiteral("Card"));
        std::optional<FileSizeCap> full;
        if (diskFull)
            full.emplace(sourceBytes.size() / 2);
        importer.importFiles({source}, Importer::Mode::Move, project);
        if (commit) {
            transaction.commit();
            importer.committed();
        }
    };
    for (const bool mastersFolderThere : {true, false}) {
        SCOPED_TRACE(mastersFolderThere ? "Masters/ there" : "Masters/ missing");
        if (!mastersFolderThere) {
            ASSERT_TRUE(QDir(library.mastersPath()).removeRecursively());
        }
        const QStringList before = everythingUnder(library.mastersPath());
        EXPECT_THROW(import(true, true), PeerError) << "the copy fails";
        EXPECT_EQ(everythingUnder(library.mastersPath()), before);
        import(false, false);
        EXPECT_EQ(everythingUnder(library.mastersPath()), before) << "the import rolled back";
        EXPECT_EQ(contentOf(source), sourceBytes);
        EXPECT_TRUE(catalog.versions().isEmpty());
    }
    import(false, true);
    EXPECT_EQ(everythingUnder(library.mastersPath()).size(), 2) << "one folder, one file";
    EXPECT_FALSE(QFileInfo::exists(source));
}

} // namespace
