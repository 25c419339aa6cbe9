#include "ApertureApplication.h"

#include "PeerSession.h"
#include "QtPrinters.h"
#include "ScriptingErrorOf.h"
#include "TestEnvironment.h"

#include "scripting/ScriptingApplication.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>

namespace {

int masterFileCount(const QString& library)
{
    int count = 0;
    for (QDirIterator it(library + QStringLiteral("/Masters"), QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++count;
    return count;
}

class PeerServe : public ::testing::Test {
protected:
    void start(const QStringList& serveOptions = {})
    {
        ASSERT_TRUE(m_session.start(PeerSession::smallSample(), serveOptions))
            << qPrintable(m_session.problem());
    }
    QString firstId() const
    {
        return PeerProcess::idsIn(m_session.show(), QStringLiteral("selection")).value(0);
    }
    quint64 callCount() const
    {
        return m_app.connection()
            ->call(QStringLiteral("/application"), QStringLiteral("CallCount"))
            .value(0)
            .toULongLong();
    }

    PeerSession m_session;
    ApertureApplication m_app;
};

TEST_F(PeerServe, aLockedDatabaseIsAnErrorAndTheServerGoesOn)
{
    start();
    const ApertureImageVersion version = m_app.selection().first();
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open(
            (m_session.library() + QStringLiteral("/Database/Library.apdb")).toUtf8().constData(),
            &db),
        SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const ScriptingError error =
        scriptingErrorOf([&] { version.setName(QStringLiteral("Locked")); });
    EXPECT_EQ(error.name(), QStringLiteral("org.photolib.Error.LibraryBusy"));
    EXPECT_TRUE(error.reason().contains(QLatin1String("locked"))) << qPrintable(error.reason());
    EXPECT_NE(version.name(), QStringLiteral("Locked"))
        << "reads go on while another process writes";
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    version.setName(QStringLiteral("Unlocked"));
    EXPECT_EQ(version.name(), QStringLiteral("Unlocked"));
}

TEST_F(PeerServe, aFailedCallChangesNothing)
{
    start();
    const QString folder = TestEnvironment::makeScratchDir(QStringLiteral("import"));
    const ApertureImageVersion first = m_app.selection().first();
    const QList<QUrl> exported =
        m_app.exportImages({first}, std::nullopt, ApertureExportMetadata::Embedded, folder);
    ASSERT_EQ(exported.size(), 1);
    const QString good = exported.first().toLocalFile();
    const QString bad = folder + QStringLiteral("/bad.jpg");
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture here");
    file.close();

    const QJsonObject before = m_session.show();
    const int mastersBefore = masterFileCount(m_session.library());
    const ApertureProject project = m_app.libraries().first().projects().first();
    EXPECT_EQ(scriptingErrorOf([&] {
                  m_app.importFiles({good, bad}, ApertureImportMode::Moved, project);
              }).name(),
              QStringLiteral("org.photolib.Error.UnsupportedFile"));
    EXPECT_EQ(scriptingErrorOf([&] {
                  first.addCustomTag(QStringLiteral("List"), QVariantList{1, 2});
              }).name(),
              QStringLiteral("org.photolib.Error.WrongType"));
    const ApertureProject fresh = m_app.libraries().first().makeProject(QStringLiteral("Fresh"));
    fresh.deleteProject();
    EXPECT_EQ(scriptingErrorOf([&] { fresh.deleteProject(); }).name(),
              QStringLiteral("org.photolib.Error.NoSuchObject"));

    QJsonObject after = m_session.show();
    EXPECT_TRUE(QFileInfo::exists(good)) << "a failed move leaves the file where it was";
    EXPECT_EQ(masterFileCount(m_session.library()), mastersBefore);
    EXPECT_EQ(after[QStringLiteral("versions")].toArray().size(),
              before[QStringLiteral("versions")].toArray().size());
    // The refused tag added nothing: every version keeps the custom tags it had.
    const QJsonArray versionsBefore = before[QStringLiteral("versions")].toArray();
    const QJsonArray versionsAfter = after[QStringLiteral("versions")].toArray();
    for (qsizetype i = 0; i < versionsAfter.size(); ++i)
        EXPECT_EQ(versionsAfter[i][QStringLiteral("customTags")],
                  versionsBefore[i][QStringLiteral("customTags")]);
}

struct BadCall {
    const char* what;
    const char* path;
    const char* method;
    QVariantList arguments;
    const char* error;
};

TEST_F(PeerServe, badInputIsAnsweredWithNamedErrorsAndTheServerGoesOn)
{
    start();
    const QString version = QStringLiteral("/version/") + firstId();
    const QString missing =
        TestEnvironment::makeScratchDir(QStringLiteral("gone")) + QStringLiteral("/x.jpg");
    const QString folder = TestEnvironment::makeScratchDir(QStringLiteral("folder"));
    const QByteArray v = version.toUtf8();
    const QList<BadCall> calls = {
        {"unknown object", "/version/Nope", "GetText", {QStringLiteral("name")}, "NoSuchObject"},
        {"unknown property",
         v.constData(),
         "GetText",
         {QStringLiteral("colour")},
         "NoSuchProperty"},
        {"wrong getter", v.constData(), "GetBoolean", {QStringLiteral("name")}, "WrongType"},
        {"rating out of range",
         v.constData(),
         "SetInteger",
         {QStringLiteral("mainRating"), 9},
         "InvalidArgument"},
        {"read-only id",
         v.constData(),
         "SetText",
         {QStringLiteral("id"), QStringLiteral("x")},
         "ReadOnly"},
        {"unknown elements",
         "/application",
         "Elements",
         {QStringLiteral("folders")},
         "NoSuchElement"},
        {"no such other tag",
         v.constData(),
         "ElementNamed",
         {QStringLiteral("otherTags"), QStringLiteral("Nope")},
         "NoSuchElement"},
        {"tags into EXIF",
         v.constData(),
         "AddTag",
         {QStringLiteral("EXIFTags"), QStringLiteral("Make"), QStringLiteral("x")},
         "ReadOnly"},
        {"delete a version", v.constData(), "Delete", {}, "NotSupported"},
        {"application command to a version",
         v.constData(),
         "Import",
         {QStringList{missing}, 0x726b6d76u, QStringLiteral("/project/1")},
         "NotSupported"},
        {"bad import mode",
         "/application",
         "Import",
         {QStringList{missing}, 7u, QStringLiteral("/project/1")},
         "InvalidArgument"},
        {"missing file",
         "/application",
         "Import",
         {QStringList{missing}, 0x726b6d76u, QStringLiteral("/project/1")},
         "FileNotFound"},
        {"a folder to import",
         "/application",
         "Import",
         {QStringList{folder}, 0x726b6d76u, QStringLiteral("/project/1")},
         "NotAFile"},
        {"import into no project",
         "/application",
         "Import",
         {QStringList{missing}, 0x726b6d76u, QStringLiteral("/project/99")},
         "NoSuchObject"},
        {"export to no folder",
         "/application",
         "Export",
         {QStringList{version}, QStringLiteral("/"), 0x726b7363u, missing},
         "NoSuchFolder"},
        {"bad metadata mode",
         "/application",
         "Export",
         {QStringList{version}, QStringLiteral("/"), 1u, folder},
         "InvalidArgument"},
        {"no such setting",
         "/application",
         "Export",
         {QStringList{version}, QStringLiteral("/exportsetting/99"), 0x726b6562u, folder},
         "NoSuchObject"},
        {"bulk read of no key",
         "/application",
         "ValuesForKeys",
         {QStringList{version}, QStringList{QStringLiteral("colour")}},
         "NoSuchProperty"},
    };
    const quint64 before = callCount();
    for (const BadCall& bad : calls) {
        const ScriptingError error = scriptingErrorOf([&] {
            m_app.connection()->call(QLatin1String(bad.path), QLatin1String(bad.method),
                                     bad.arguments);
        });
        EXPECT_EQ(error.name(), QStringLiteral("org.photolib.Error.") + QLatin1String(bad.error))
            << bad.what << ": " << qPrintable(error.reason());
        EXPECT_FALSE(error.reason().isEmpty()) << bad.what;
    }
    EXPECT_EQ(callCount() - before, quint64(calls.size()));
    EXPECT_EQ(m_app.version(), QStringLiteral("3.6"));
    EXPECT_TRUE(QDir(folder).isEmpty());
}

TEST_F(PeerServe, aKilledServerLeavesALibraryThatOpens)
{
    start();
    const QList<ApertureImageVersion> selection = m_app.selection();
    m_app.setSendMode(ScriptingApplication::NoReply);
    for (int i = 0; i < 50; ++i)
        selection[i % 4].addKeyword(QStringLiteral("k%1").arg(i), QString());
    ::kill(pid_t(m_session.peer().pid()), SIGKILL);
    EXPECT_EQ(m_session.peer().waitForExit(), -1);
    const QJsonObject json = m_session.show();
    ASSERT_EQ(json[QStringLiteral("versions")].toArray().size(), 4);
    PeerProcess again(m_session.library());
    EXPECT_TRUE(again.start()) << "no stale claim on the library: "
                               << qPrintable(again.standardError());
}

} // namespace
