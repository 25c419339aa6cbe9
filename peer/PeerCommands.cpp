#include "PeerCommands.h"

#include "Catalog.h"
#include "Importer.h"
#include "Library.h"
#include "LibraryJson.h"
#include "MediaReader.h"
#include "PeerError.h"
#include "SampleGenerator.h"
#include "ScriptingServer.h"
#include "ServeLock.h"
#include "Transaction.h"

#include "scripting/ScriptingApplication.h"
#include "scripting/ScriptingError.h"
#include "scripting/ScriptingInterface.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

QByteArray peerScriptingDeclaration();

namespace {

constexpr int kUsageError = 2;
const QString kInterfaceName = QStringLiteral("org.photolib.Scripting");

/// Thrown for a command line that does not fit the command.
struct UsageError {
    QString message;
};

/// Reports a command that failed; its exit status.
int failed(const QString& command, const QString& error, const QString& reason)
{
    std::fprintf(stderr, "photolib %s: %s: %s\n", qPrintable(command), qPrintable(error),
                 qPrintable(reason));
    return 1;
}

void print(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

std::shared_ptr<const ScriptingInterface> declaredInterface()
{
    QString error;
    auto interface = ScriptingInterface::parse(peerScriptingDeclaration(), kInterfaceName, &error);
    if (!interface)
        throw PeerError(PeerError::Code::Internal,
                        QStringLiteral("the scripting declaration does not parse: %1").arg(error));
    return std::make_shared<const ScriptingInterface>(*interface);
}

/// Parses the options of one command; `positional` is how many positional
/// arguments it takes at least (and at most, unless `more`).
QStringList parse(QCommandLineParser& parser, const QStringList& arguments, int positional,
                  bool more = false)
{
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    if (!parser.parse(QStringList{QStringLiteral("photolib")} + arguments))
        throw UsageError{parser.errorText()};
    const QStringList values = parser.positionalArguments();
    if (values.size() < positional || (!more && values.size() > positional))
        throw UsageError{QStringLiteral("wrong number of arguments")};
    return values;
}

/// A library opened for one command, with its catalog and the command's
/// transaction.
struct Session {
    Session(const QString& path, Transaction::Kind kind)
        : library(path), catalog(library), transaction(library.db(), kind)
    {}
    Library library;
    Catalog catalog;
    Transaction transaction;
};

QList<qint64> versionIds(Catalog& catalog, const QStringList& uuids)
{
    QList<qint64> ids;
    for (const QString& uuid : uuids) {
        const auto version = catalog.version(uuid);
        if (!version)
            throw PeerError(
                PeerError::Code::NoSuchObject,
                QStringLiteral("there is no image version %1 in the library").arg(uuid));
        ids.append(version->id);
    }
    return ids;
}

QSet<QString> commaSet(const QString& text)
{
    QSet<QString> set;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        set.insert(item.trimmed());
    return set;
}

int createCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QStringList values = parse(parser, arguments, 1);
    Library::create(values[0]);
    return 0;
}

QStringList filesToImport(const QStringList& paths)
{
    QStringList files;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            files.append(info.absoluteFilePath());
            continue;
        }
        const QFileInfoList entries =
            QDir(path).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& entry : entries) {
            if (MediaReader::kindForPath(entry.fileName()).isEmpty())
                std::fprintf(stderr, "photolib: skipping %s: not an image file\n",
                             qPrintable(entry.filePath()));
            else
                files.append(entry.absoluteFilePath());
        }
    }
    return files;
}

int importCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption project(QStringLiteral("project"), QString(), QStringLiteral("name"));
    const QCommandLineOption reference(QStringLiteral("reference"));
    parser.addOptions({project, reference});
    const QStringList values = parse(parser, arguments, 2, true);
    if (!parser.isSet(project))
        throw UsageError{QStringLiteral("import needs --project NAME")};
    Library library(values[0]);
    Catalog catalog(library);
    const Importer::Mode mode =
        parser.isSet(reference) ? Importer::Mode::Reference : Importer::Mode::Move;
    int failures = 0;
    for (const QStringList& master : Importer::groupMasters(filesToImport(values.mid(1)))) {
        try {
            Transaction transaction(library.db(), Transaction::Kind::Write);
            const auto existing = catalog.projectNamed(parser.value(project));
            const qint64 projectId =
                existing ? existing->id : catalog.createProject(parser.value(project));
            Importer importer(library, catalog, *QRandomGenerator::global());
            const QList<VersionRecord> versions = importer.importFiles(master, mode, projectId);
            transaction.commit();
            importer.committed();
            for (const VersionRecord& version : versions)
                print(version.uuid);
        } catch (const PeerError& error) {
            ++failures;
            std::fprintf(stderr, "photolib: %s\n", qPrintable(error.reason()));
        }
    }
    return failures ? 1 : 0;
}

int albumCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QStringList values = parse(parser, arguments, 2, true);
    Session session(values[0], Transaction::Kind::Write);
    Catalog& catalog = session.catalog;
    const auto existing = catalog.albumNamed(values[1]);
    const qint64 albumId = existing ? existing->id : catalog.createAlbum(values[1]);
    for (qint64 id : versionIds(catalog, values.mid(2)))
        catalog.addToAlbum(albumId, id);
    session.transaction.commit();
    print(QString::number(albumId));
    return 0;
}

int selectCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption all(QStringLiteral("all"));
    const QCommandLineOption none(QStringLiteral("none"));
    const QCommandLineOption project(QStringLiteral("project"), QString(), QStringLiteral("name"));
    const QCommandLineOption album(QStringLiteral("album"), QString(), QStringLiteral("name"));
    parser.addOptions({all, none, project, album});
    const QStringList values = parse(parser, arguments, 1, true);
    Session session(values[0], Transaction::Kind::Write);
    Catalog& catalog = session.catalog;
    QList<qint64> ids;
    if (parser.isSet(all)) {
        for (const VersionRecord& version : catalog.versions())
            ids.append(version.id);
    } else if (parser.isSet(project)) {
        const auto found = catalog.projectNamed(parser.value(project));
        if (!found)
            throw PeerError(PeerError::Code::NoSuchObject,
                            QStringLiteral("no project named %1").arg(parser.value(project)));
        ids = catalog.projectVersionIds(found->id);
    } else if (parser.isSet(album)) {
        const auto found = catalog.albumNamed(parser.value(album));
        if (!found)
            throw PeerError(PeerError::Code::NoSuchObject,
                            QStringLiteral("no album named %1").arg(parser.value(album)));
        ids = catalog.albumVersionIds(found->id);
    } else if (!parser.isSet(none)) {
        if (values.size() < 2)
            throw UsageError{
                QStringLiteral("select needs --all, --none, --project, --album or ids")};
        ids = versionIds(catalog, values.mid(1));
    }
    catalog.setSelection(ids);
    session.transaction.commit();
    return 0;
}

int stackCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QStringList values = parse(parser, arguments, 3, true);
    Session session(values[0], Transaction::Kind::Write);
    Catalog& catalog = session.catalog;
    const qint64 id = catalog.stack(versionIds(catalog, values.mid(1)));
    session.transaction.commit();
    print(QString::number(id));
    return 0;
}

int adjustCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption exposure(QStringLiteral("exposure"), QString(),
                                      QStringLiteral("stops"));
    const QCommandLineOption rotation(QStringLiteral("rotation"), QString(),
                                      QStringLiteral("degrees"));
    parser.addOptions({exposure, rotation});
    const QStringList values = parse(parser, arguments, 2);
    Session session(values[0], Transaction::Kind::Write);
    Catalog& catalog = session.catalog;
    const auto version = catalog.version(values[1]);
    if (!version)
        throw PeerError(
            PeerError::Code::NoSuchObject,
            QStringLiteral("there is no image version %1 in the library").arg(values[1]));
    bool ok = true;
    const double stops =
        parser.isSet(exposure) ? parser.value(exposure).toDouble(&ok) : version->exposure;
    const int degrees = parser.isSet(rotation) ? parser.value(rotation).toInt() : version->rotation;
    if (!ok || !(stops >= -5 && stops <= 5) || degrees % 90 != 0)
        throw UsageError{QStringLiteral("exposure lies between -5 and 5 stops; rotation is a "
                                        "multiple of 90 degrees")};
    catalog.setAdjustments(version->id, stops, ((degrees % 360) + 360) % 360);
    session.transaction.commit();
    return 0;
}

int showCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QStringList values = parse(parser, arguments, 1);
    Session session(values[0], Transaction::Kind::Read);
    Library& library = session.library;
    Catalog& catalog = session.catalog;
    const QJsonObject json = LibraryJson::describe(library, catalog);
    session.transaction.commit();
    std::fputs(QJsonDocument(json).toJson(QJsonDocument::Indented).constData(), stdout);
    return 0;
}

int sampleCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption seed(QStringLiteral("seed"), QString(), QStringLiteral("n"),
                                  QStringLiteral("1"));
    const QCommandLineOption count(QStringLiteral("count"), QString(), QStringLiteral("n"),
                                   QStringLiteral("12"));
    const QCommandLineOption pairs(QStringLiteral("pairs"), QString(), QStringLiteral("n"),
                                   QStringLiteral("0"));
    const QCommandLineOption megapixels(QStringLiteral("max-megapixels"), QString(),
                                        QStringLiteral("mp"), QStringLiteral("24"));
    const QCommandLineOption albums(QStringLiteral("albums"), QString(), QStringLiteral("n"),
                                    QStringLiteral("2"));
    const QCommandLineOption projects(QStringLiteral("projects"), QString(), QStringLiteral("n"),
                                      QStringLiteral("1"));
    const QCommandLineOption bare(QStringLiteral("bare"), QString(), QStringLiteral("n"),
                                  QStringLiteral("0"));
    const QCommandLineOption textDates(QStringLiteral("text-dates"), QString(), QStringLiteral("n"),
                                       QStringLiteral("0"));
    const QCommandLineOption referenceDir(QStringLiteral("reference-dir"), QString(),
                                          QStringLiteral("dir"));
    parser.addOptions(
        {seed, count, pairs, megapixels, albums, projects, bare, textDates, referenceDir});
    const QStringList values = parse(parser, arguments, 1);
    SampleGenerator::Options options;
    options.seed = parser.value(seed).toULongLong();
    options.count = parser.value(count).toInt();
    options.pairs = parser.value(pairs).toInt();
    options.maxMegapixels = parser.value(megapixels).toDouble();
    options.albums = parser.value(albums).toInt();
    options.projects = parser.value(projects).toInt();
    options.referenceFolder = parser.value(referenceDir);
    options.bare = parser.value(bare).toInt();
    options.textDates = parser.value(textDates).toInt();
    if (options.count < 0 || options.pairs < 0 || options.pairs > options.count ||
        !(options.maxMegapixels > 0 && options.maxMegapixels <= 24) || options.projects < 1 ||
        options.albums < 0 || options.bare < 0 || options.textDates < 0 ||
        options.bare + options.textDates > options.count)
        throw UsageError{QStringLiteral("sample: 0 <= pairs <= count, 0 < max-megapixels <= 24, "
                                        "projects >= 1, albums >= 0, bare + text-dates <= count")};
    SampleGenerator::generate(values[0], options);
    return 0;
}

/// Ends the event loop on SIGTERM or SIGINT (the handler only writes a byte
/// into a socket; the loop reads it).
class TerminationSignals {
public:
    TerminationSignals()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_fds) != 0)
            throw PeerError(PeerError::Code::Io, QStringLiteral("cannot create the signal socket"));
        m_notifier = std::make_unique<QSocketNotifier>(s_fds[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] {
            char byte = 0;
            if (::read(s_fds[1], &byte, 1) >= 0)
                QCoreApplication::quit();
        });
        struct sigaction action = {};
        action.sa_handler = [](int) {
            const char byte = 1;
            if (::write(s_fds[0], &byte, 1) < 0) {
                // Nothing more can be done inside a signal handler.
            }
        };
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGTERM, &action, nullptr);
        ::sigaction(SIGINT, &action, nullptr);
    }

private:
    static inline int s_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

ServeOptions::TiffSetting tiffSetting(const QString& text)
{
    if (text == QLatin1String("stock"))
        return ServeOptions::TiffSetting::Stock;
    if (text == QLatin1String("missing"))
        return ServeOptions::TiffSetting::Missing;
    if (text == QLatin1String("8bit"))
        return ServeOptions::TiffSetting::EightBit;
    if (text == QLatin1String("halfsize"))
        return ServeOptions::TiffSetting::HalfSize;
    if (text == QLatin1String("jpeg"))
        return ServeOptions::TiffSetting::Jpeg;
    throw UsageError{QStringLiteral("--tiff-setting is stock, missing, 8bit, halfsize or jpeg")};
}

/// Plans `fault` for the calls the option names.
void addCallFaults(FaultPlan& faults, const QStringList& values, FaultPlan::CallFault fault)
{
    const Result<void> added = faults.addCalls(values, fault);
    if (!added)
        throw UsageError{added.error()};
}

int serveCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption busName(QStringLiteral("bus-name"), QString(), QStringLiteral("name"));
    const QCommandLineOption version(QStringLiteral("version-text"), QString(),
                                     QStringLiteral("text"));
    const QCommandLineOption tiff(QStringLiteral("tiff-setting"), QString(),
                                  QStringLiteral("kind"));
    const QCommandLineOption failExport(QStringLiteral("fail-export"), QString(),
                                        QStringLiteral("ids"));
    const QCommandLineOption inconsistent(QStringLiteral("inconsistent-tag-lists"));
    const QCommandLineOption mismatched(QStringLiteral("mismatched-tags"), QString(),
                                        QStringLiteral("ids"));
    const QCommandLineOption zeroHeight(QStringLiteral("zero-height"), QString(),
                                        QStringLiteral("ids"));
    const QCommandLineOption noFileSize(QStringLiteral("no-file-size"), QString(),
                                        QStringLiteral("ids"));
    const QCommandLineOption exitAfter(QStringLiteral("exit-after-calls"), QString(),
                                       QStringLiteral("n"));
    const QCommandLineOption delay(QStringLiteral("call-delay-ms"), QString(),
                                   QStringLiteral("ms"));
    const QCommandLineOption wrongShape(QStringLiteral("wrong-shape"), QString(),
                                        QStringLiteral("methods"));
    const QCommandLineOption failCall(QStringLiteral("fail-call"), QString(),
                                      QStringLiteral("calls"));
    const QCommandLineOption malformedCall(QStringLiteral("malformed-call"), QString(),
                                           QStringLiteral("calls"));
    const QCommandLineOption exitAtCall(QStringLiteral("exit-at-call"), QString(),
                                        QStringLiteral("calls"));
    const QCommandLineOption emptyCall(QStringLiteral("empty-call"), QString(),
                                       QStringLiteral("calls"));
    const QCommandLineOption killCallerAtCall(QStringLiteral("kill-caller-at-call"), QString(),
                                              QStringLiteral("calls"));
    parser.addOptions({busName, version, tiff, failExport, inconsistent, mismatched, zeroHeight,
                       noFileSize, exitAfter, delay, wrongShape, failCall, malformedCall,
                       exitAtCall, emptyCall, killCallerAtCall});
    const QStringList values = parse(parser, arguments, 1);

    ServeOptions options;
    if (parser.isSet(busName))
        options.busName = parser.value(busName);
    if (parser.isSet(version))
        options.versionText = parser.value(version);
    if (parser.isSet(tiff))
        options.tiffSetting = tiffSetting(parser.value(tiff));
    FaultPlan& faults = options.faults;
    faults.failingExports = commaSet(parser.value(failExport));
    faults.inconsistentTagLists = parser.isSet(inconsistent);
    faults.mismatchedTagIds = commaSet(parser.value(mismatched));
    faults.zeroHeightIds = commaSet(parser.value(zeroHeight));
    faults.noFileSizeIds = commaSet(parser.value(noFileSize));
    if (parser.isSet(exitAfter))
        faults.exitAfterCalls = parser.value(exitAfter).toLongLong();
    faults.callDelayMs = parser.value(delay).toInt();
    faults.wrongShapeMethods = commaSet(parser.value(wrongShape));
    addCallFaults(faults, parser.values(failCall), FaultPlan::CallFault::Fail);
    addCallFaults(faults, parser.values(malformedCall), FaultPlan::CallFault::Malformed);
    addCallFaults(faults, parser.values(exitAtCall), FaultPlan::CallFault::Exit);
    addCallFaults(faults, parser.values(emptyCall), FaultPlan::CallFault::Empty);
    addCallFaults(faults, parser.values(killCallerAtCall), FaultPlan::CallFault::KillCaller);

    Library library(values[0]);
    ServeLock lock(library.path());
    TerminationSignals termination;
    ScriptingServer server(library, options, declaredInterface());
    if (const Result<void> started = server.start(); !started)
        throw PeerError(PeerError::Code::BusNameTaken, started.error());
    std::fprintf(stderr, "photolib: serving %s as %s\n", qPrintable(library.path()),
                 qPrintable(options.busName));
    QCoreApplication::exec();
    std::fprintf(stderr, "photolib: stopped after %llu calls\n",
                 static_cast<unsigned long long>(server.answeredCalls()));
    return 0;
}

int emptyTrashCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QStringList values = parse(parser, arguments, 1);
    Session session(values[0], Transaction::Kind::Write);
    Catalog& catalog = session.catalog;
    const QStringList files = catalog.emptyTrash();
    session.transaction.commit();
    for (const QString& file : files) {
        QFile::remove(file);
        QDir().rmdir(QFileInfo(file).absolutePath());
    }
    print(QStringLiteral("%1 master files removed").arg(files.size()));
    return 0;
}

int restoreCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QStringList values = parse(parser, arguments, 2);
    Session session(values[0], Transaction::Kind::Write);
    Catalog& catalog = session.catalog;
    catalog.restoreProject(values[1].toLongLong());
    session.transaction.commit();
    return 0;
}

int callsCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption busName(QStringLiteral("bus-name"), QString(), QStringLiteral("name"),
                                     QStringLiteral("com.apple.aperture"));
    parser.addOption(busName);
    parse(parser, arguments, 0);
    ScriptingApplication application(parser.value(busName), declaredInterface());
    try {
        print(application.call(QStringLiteral("/application"), QStringLiteral("CallCount"))
                  .value(0)
                  .toString());
    } catch (const ScriptingError& error) {
        return failed(QStringLiteral("calls"), error.name(), error.reason());
    }
    return 0;
}

} // namespace

QString PeerCommands::usage()
{
    return QStringLiteral(
        "usage:\n"
        "  photolib create LIB\n"
        "  photolib import LIB PATH... --project NAME [--reference]\n"
        "  photolib album LIB NAME [ID...]\n"
        "  photolib select LIB (--all | --none | --project NAME | --album NAME | ID...)\n"
        "  photolib stack LIB ID ID...\n"
        "  photolib adjust LIB ID [--exposure STOPS] [--rotation DEGREES]\n"
        "  photolib show LIB\n"
        "  photolib sample LIB [--seed N] [--count N] [--pairs N] [--max-megapixels MP]\n"
        "                      [--albums N] [--projects N] [--bare N] [--text-dates N]\n"
        "                      [--reference-dir DIR]\n"
        "  photolib serve LIB [--bus-name NAME] [--version-text TEXT]\n"
        "                     [--tiff-setting stock|missing|8bit|halfsize|jpeg]\n"
        "                     [--fail-export IDS] [--inconsistent-tag-lists]\n"
        "                     [--mismatched-tags IDS] [--zero-height IDS]\n"
        "                     [--no-file-size IDS] [--exit-after-calls N]\n"
        "                     [--call-delay-ms MS] [--wrong-shape METHODS]\n"
        "                     [--fail-call CALLS] [--malformed-call CALLS]\n"
        "                     [--exit-at-call CALLS] [--empty-call CALLS]\n"
        "                     [--kill-caller-at-call CALLS]\n"
        "  photolib empty-trash LIB\n"
        "  photolib restore LIB PROJECT_ID\n"
        "  photolib calls [--bus-name NAME]\n"
        "LIB is a library folder NAME.aplibrary; IDS and METHODS are comma-separated;\n"
        "CALLS are comma-separated METHOD:N, the N-th call of METHOD since serving began.\n");
}

int PeerCommands::run(const QStringList& arguments)
{
    using Command = int (*)(const QStringList&);
    static const QHash<QString, Command> commands = {
        {QStringLiteral("create"), createCommand},
        {QStringLiteral("import"), importCommand},
        {QStringLiteral("album"), albumCommand},
        {QStringLiteral("select"), selectCommand},
        {QStringLiteral("stack"), stackCommand},
        {QStringLiteral("adjust"), adjustCommand},
        {QStringLiteral("show"), showCommand},
        {QStringLiteral("sample"), sampleCommand},
        {QStringLiteral("serve"), serveCommand},
        {QStringLiteral("empty-trash"), emptyTrashCommand},
        {QStringLiteral("restore"), restoreCommand},
        {QStringLiteral("calls"), callsCommand},
    };
    const QString name = arguments.value(0);
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        std::fputs(qPrintable(usage()), stdout);
        return 0;
    }
    const Command command = commands.value(name);
    if (!command) {
        std::fputs(qPrintable(usage()), stderr);
        return kUsageError;
    }
    try {
        return command(arguments.mid(1));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "photolib %s: %s\n%s", qPrintable(arguments.value(0)),
                     qPrintable(error.message), qPrintable(usage()));
        return kUsageError;
    } catch (const PeerError& error) {
        return failed(arguments.value(0), error.name(), error.reason());
    }
}
