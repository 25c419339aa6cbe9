#include "ApplicationMover.h"

#include "ProtectedFolder.h"
#include "TestBundle.h"
#include "TestEnvironment.h"
#include "core/Bundle.h"
#include "core/SearchPaths.h"
#include "core/SystemLog.h"
#include "core/UserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const QString kSuppressKey = "moveToApplicationsFolderAlertSuppress";
const QString kFailure = "Could not move to Applications folder";

// Answers the alerts that come up, in order, as a user would with the
// keyboard, and notes what each one showed.
class AlertAnswers : public QObject {
public:
    enum class Key { Return, Escape };
    struct Answer {
        Key key;
        bool checkSuppression = false;
    };
    struct Seen {
        QString text;
        QString informativeText;
        QString defaultButton;
        QString escapeButton;
        bool hasCheckBox = false;
        bool checkBoxIsSmall = false;
    };

    explicit AlertAnswers(QList<Answer> answers) : m_answers(std::move(answers))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }
    const QList<Seen>& seen() const { return m_seen; }

private:
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == m_current || !box->isVisible())
            return;
        m_current = box;
        Seen seen;
        seen.text = box->text();
        seen.informativeText = box->informativeText();
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text();
        if (box->escapeButton())
            seen.escapeButton = box->escapeButton()->text();
        if (QCheckBox* check = box->checkBox()) {
            seen.hasCheckBox = true;
            seen.checkBoxIsSmall = check->font().pointSizeF() < QApplication::font().pointSizeF();
        }
        m_seen.append(seen);
        // An alert nobody expected is declined, so a failing test ends.
        const Answer answer =
            m_answers.isEmpty() ? Answer{Key::Escape, false} : m_answers.takeFirst();
        if (answer.checkSuppression && box->checkBox())
            box->checkBox()->setChecked(true);
        QTest::keyClick(box, answer.key == Key::Return ? Qt::Key_Return : Qt::Key_Escape);
    }

    QList<Answer> m_answers;
    QList<Seen> m_seen;
    QPointer<QMessageBox> m_current;
    QTimer m_timer;
};

bool waitFor(const std::function<bool()>& condition, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

bool writeExecutable(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        return false;
    file.close();
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The answers a user gives: the default button (also what dismisses the
// failure message), Escape, and Escape with "never ask again" ticked.
const AlertAnswers::Answer kAgree{AlertAnswers::Key::Return, false};
const AlertAnswers::Answer kDecline{AlertAnswers::Key::Escape, false};
const AlertAnswers::Answer kDeclineForGood{AlertAnswers::Key::Escape, true};

} // namespace

// The friend the class grants its private parts to.
class ApplicationMoverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_scratch = TestEnvironment::makeScratchDir("mover");
        m_root = m_scratch + "/machine";
        ASSERT_TRUE(QDir().mkpath(localApplications()));
        SearchPaths::setLocalDomainRootForTesting(m_root);
        for (const QString& folder : {homeApplications(), downloads(), trash(), entries()})
            QDir(folder).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(downloads()));
        UserDefaults::standard().removeObjectForKey(kSuppressKey);
        // The running process the relaunch waits for.
        m_oldProcess.start("/bin/sleep", {"60"});
        ASSERT_TRUE(m_oldProcess.waitForStarted());
    }
    void TearDown() override
    {
        endOldProcess();
        SearchPaths::setLocalDomainRootForTesting({});
        Bundle::setMainBundlePath(TOLVANE_TEST_BUNDLE_DIR);
        QDir(homeApplications()).removeRecursively();
    }

    static QString homeApplications() { return QDir::homePath() + "/Applications"; }
    static QString downloads() { return QDir::homePath() + "/Downloads"; }
    static QString trash() { return QDir::homePath() + "/.local/share/Trash"; }
    static QString entries() { return QDir::homePath() + "/.local/share/applications"; }
    QString localApplications() const { return m_root + "/opt"; }
    QString marker() const { return m_scratch + "/launched"; }

    /// A home Applications folder that already holds an application, so the
    /// move goes there.
    static void useHomeApplications()
    {
        ASSERT_TRUE(QDir().mkpath(homeApplications() + "/Other.app"));
    }

    /// Runs one offer for the bundle at path, answering its alerts.
    QList<AlertAnswers::Seen> offer(const QString& bundlePath, QList<AlertAnswers::Answer> answers)
    {
        Bundle::setMainBundlePath(bundlePath);
        AlertAnswers alerts(std::move(answers));
        ApplicationMover mover;
        mover.m_processIdentifier = m_oldProcess.processId();
        mover.m_endProcess = [this] {
            ++m_endings;
        };
        mover.offer();
        return alerts.seen();
    }

    void endOldProcess()
    {
        m_oldProcess.kill();
        m_oldProcess.waitForFinished();
    }

    bool launched() const { return QFileInfo::exists(marker()); }

    /// A stand-in pkexec first on the search path, answering with status, or
    /// running its command when status is empty; it notes each call.
    void installPkexec(const QString& body)
    {
        const QString bin = m_scratch + "/bin";
        ASSERT_TRUE(QDir().mkpath(bin));
        ASSERT_TRUE(writeExecutable(bin + "/pkexec", "#!/bin/sh\necho \"$*\" >> '" + m_scratch +
                                                         "/pkexec-calls'\n" + body + "\n"));
        qputenv("PATH", QString(bin + ":" + qEnvironmentVariable("PATH")).toUtf8());
    }
    QStringList pkexecCalls() const
    {
        QFile file(m_scratch + "/pkexec-calls");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QString m_scratch;
    QString m_root;
    QProcess m_oldProcess;
    int m_endings = 0;
    SystemLog::Capture m_log;
};

class TheApplicationMover : public ApplicationMoverTest {};

TEST_F(TheApplicationMover, neverAsksAgainOnceTheUserSaidSo)
{
    const QString bundle = downloads() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));
    UserDefaults::standard().setValue(true, kSuppressKey);
    EXPECT_TRUE(offer(bundle, {}).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(bundle));
}

TEST_F(TheApplicationMover, neverAsksForABundleThatIsAlreadyInstalled)
{
    const QString bundle = homeApplications() + "/Utilities/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));
    EXPECT_TRUE(offer(bundle, {}).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(bundle));
}

TEST_F(TheApplicationMover, decliningWithTheCheckBoxOnIsRememberedAndNothingMoves)
{
    const QString bundle = downloads() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));
    const auto seen = offer(bundle, {kDeclineForGood});
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, "Move to Applications folder?");
    EXPECT_EQ(seen[0].defaultButton, "Move to Applications Folder");
    EXPECT_EQ(seen[0].escapeButton, "Do Not Move");
    EXPECT_TRUE(seen[0].hasCheckBox);
    EXPECT_TRUE(seen[0].checkBoxIsSmall);
    EXPECT_TRUE(UserDefaults::standard().boolForKey(kSuppressKey));
    EXPECT_TRUE(QFileInfo::exists(bundle));
    EXPECT_FALSE(QFileInfo::exists(localApplications() + "/Tolvane.app"));
    EXPECT_EQ(m_endings, 0);
    EXPECT_TRUE(offer(bundle, {}).isEmpty());
}

TEST_F(TheApplicationMover, decliningWithTheCheckBoxOffAsksAgainAtTheNextLaunch)
{
    const QString bundle = downloads() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));
    EXPECT_EQ(offer(bundle, {kDecline}).size(), 1);
    EXPECT_FALSE(UserDefaults::standard().hasValueForKey(kSuppressKey));
    EXPECT_EQ(offer(bundle, {kDecline}).size(), 1);
    EXPECT_FALSE(m_log.contains("INFO -- Moving myself to the Applications folder"));
    EXPECT_EQ(m_endings, 0);
}

TEST_F(TheApplicationMover, aRunningCopyAtTheDestinationIsOpenedAndNothingIsCopied)
{
    useHomeApplications();
    const QString running = homeApplications() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::makeSleeping(running));
    QProcess copy;
    copy.start(TestBundle::executable(running), {"60"});
    ASSERT_TRUE(copy.waitForStarted());
    const QString bundle = downloads() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));

    const auto seen = offer(bundle, {kAgree});
    copy.kill();
    copy.waitForFinished();

    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, "Move to Applications folder in your Home folder?");
    EXPECT_TRUE(m_log.contains("INFO -- Switching to an already running version"));
    EXPECT_EQ(m_endings, 1);
    EXPECT_TRUE(QFileInfo::exists(bundle));
    EXPECT_GT(QFileInfo(TestBundle::executable(running)).size(), 1000) << "the copy was replaced";
    EXPECT_FALSE(QDir(trash()).exists("files/Tolvane.app"));
}

TEST_F(TheApplicationMover, theCopyStartsOnlyAfterThisProcessEndsAndTheOriginalIsGone)
{
    useHomeApplications();
    const QString bundle = downloads() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));
    const QByteArray resource = QFile::encodeName(bundle + "/Contents/Resources/notes.txt");
    const bool attributes = ::setxattr(resource.constData(), "user.xdg.origin.url",
                                       "https://example.org/t.tar.gz", 27, 0) == 0;
    // An older copy that is not running goes to the Trash first.
    const QString destination = homeApplications() + "/Tolvane.app";
    ASSERT_TRUE(QDir().mkpath(destination + "/Contents/old-version"));

    const auto seen = offer(bundle, {kAgree});

    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].informativeText, "I can move myself to the Applications folder if you'd "
                                       "like. This will keep your Downloads folder uncluttered.");
    EXPECT_TRUE(m_log.contains("INFO -- Moving myself to the Applications folder"));
    EXPECT_EQ(m_endings, 1);
    EXPECT_FALSE(QFileInfo::exists(bundle));
    EXPECT_TRUE(QFileInfo(TestBundle::executable(destination)).isExecutable());
    EXPECT_FALSE(QFileInfo::exists(destination + "/Contents/old-version"));
    EXPECT_TRUE(QFileInfo::exists(trash() + "/files/Tolvane.app/Contents/old-version"));
    if (attributes) {
        const QByteArray copied = QFile::encodeName(destination + "/Contents/Resources/notes.txt");
        EXPECT_LT(::getxattr(copied.constData(), "user.xdg.origin.url", nullptr, 0), 0);
    }
    QFile entry(entries() + "/org.tolvane.Tolvane.desktop");
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains(
        QByteArray("\nExec=\"" + QFile::encodeName(TestBundle::executable(destination)) + "\"")));

    QThread::msleep(500);
    EXPECT_FALSE(launched()) << "the copy started while the old process ran";
    endOldProcess();
    ASSERT_TRUE(waitFor([this] { return launched(); }, 10000));
    QFile started(marker());
    ASSERT_TRUE(started.open(QIODevice::ReadOnly));
    EXPECT_EQ(started.readAll().trimmed(), QFile::encodeName(TestBundle::executable(destination)));
}

TEST_F(TheApplicationMover, aCopyThatFailsHalfWayLeavesNoHalfBundleAndSaysSo)
{
    const QString bundle = downloads() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));
    // Not a file, folder or link: the copy stops there.
    ASSERT_EQ(::mkfifo(QFile::encodeName(bundle + "/Contents/Resources/pipe").constData(), 0600),
              0);

    const auto seen = offer(bundle, {kAgree, kAgree});

    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1].text, kFailure);
    const QString destination = QFileInfo(localApplications()).canonicalFilePath() + "/Tolvane.app";
    EXPECT_TRUE(m_log.contains("ERROR -- Could not copy myself to " + destination));
    const QStringList lines = m_log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
        return line.startsWith("ERROR -- Could not copy '" + bundle + "' to '" + destination +
                               "' (") &&
               line.contains("pipe");
    }));
    EXPECT_TRUE(
        QDir(localApplications())
            .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System));
    EXPECT_TRUE(QFileInfo::exists(bundle + "/Contents/Info.plist"));
    EXPECT_EQ(m_endings, 0);
}

TEST_F(TheApplicationMover, anAdministratorCopyRunsAsOneAuthenticatedCommand)
{
    const ProtectedFolder protection(localApplications());
    ASSERT_TRUE(protection.isProtected());
    installPkexec(protection.liftCommand() + "; \"$@\"; status=$?; " + protection.restoreCommand() +
                  "; exit $status");
    const QString bundle = downloads() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));

    const auto seen = offer(bundle, {kAgree});

    ASSERT_EQ(seen.size(), 1);
    EXPECT_TRUE(
        seen[0].informativeText.endsWith("Note that this will require an administrator password."));
    ASSERT_EQ(pkexecCalls().size(), 1);
    EXPECT_TRUE(pkexecCalls()[0].startsWith("/bin/sh -c /bin/rm -rf "));
    EXPECT_TRUE(QFileInfo(TestBundle::executable(localApplications() + "/Tolvane.app")).isFile());
    EXPECT_FALSE(QFileInfo::exists(bundle));
    EXPECT_EQ(m_endings, 1);
}

TEST_F(TheApplicationMover, dismissingTheAuthenticationLeavesEverythingWithoutAMessage)
{
    const ProtectedFolder protection(localApplications());
    installPkexec("exit 126");
    const QString bundle = downloads() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));

    const auto seen = offer(bundle, {kAgree});

    EXPECT_EQ(seen.size(), 1);
    EXPECT_EQ(pkexecCalls().size(), 1);
    EXPECT_TRUE(m_log.contains("INFO -- Not moving because user canceled authorization"));
    EXPECT_TRUE(QFileInfo::exists(bundle));
    EXPECT_EQ(m_endings, 0);
}

TEST_F(TheApplicationMover, aRefusedAuthenticationIsAFailureTheUserIsTold)
{
    const ProtectedFolder protection(localApplications());
    installPkexec("exit 127");
    const QString bundle = downloads() + "/Tolvane.app";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));

    const auto seen = offer(bundle, {kAgree, kAgree});

    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1].text, kFailure);
    EXPECT_TRUE(
        m_log.contains("ERROR -- Could not copy myself to /Applications with authorization"));
    EXPECT_TRUE(QFileInfo::exists(bundle));
    EXPECT_EQ(m_endings, 0);
}

TEST_F(TheApplicationMover, theAdministratorInstallGivesUpAtOnceWhenTheNameLacksApp)
{
    const ProtectedFolder protection(localApplications());
    installPkexec("\"$@\"");
    const QString bundle = downloads() + "/Tolvane";
    ASSERT_TRUE(TestBundle::make(bundle, marker()));

    const auto seen = offer(bundle, {kAgree, kAgree});

    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1].text, kFailure);
    EXPECT_TRUE(pkexecCalls().isEmpty());
    EXPECT_TRUE(
        m_log.contains("ERROR -- Could not copy myself to /Applications with authorization"));
    EXPECT_EQ(m_endings, 0);
}

namespace {

struct Command {
    int status;
    QString output;
};

Command run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return {-1, {}};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())
                .trimmed()};
}

// An image file attached to a loop device and mounted, gone again at the end.
class MountedImage {
public:
    MountedImage(const QString& content, const QString& image, const QString& mountPoint)
        : m_mountPoint(mountPoint)
    {
        const Command made = run("mke2fs", {"-q", "-t", "ext2", "-d", content, image, "16M"});
        if (made.status != 0) {
            m_problem = "mke2fs could not make an image: " + made.output;
            return;
        }
        const Command attached = run("losetup", {"--find", "--show", image});
        if (attached.status != 0) {
            m_problem = "no loop device: " + attached.output;
            return;
        }
        m_device = attached.output;
        QDir().mkpath(mountPoint);
        const Command mounted = run("mount", {m_device, mountPoint});
        if (mounted.status != 0)
            m_problem = "the image could not be mounted: " + mounted.output;
    }
    ~MountedImage()
    {
        if (isMounted())
            run("umount", {m_mountPoint});
        if (isAttached())
            run("losetup", {"-d", m_device});
    }

    QString problem() const { return m_problem; }
    bool isMounted() const
    {
        QFile table("/proc/self/mountinfo");
        return table.open(QIODevice::ReadOnly) &&
               table.readAll().contains(QByteArray(" " + QFile::encodeName(m_mountPoint) + " "));
    }
    bool isAttached() const
    {
        return !m_device.isEmpty() &&
               QFileInfo::exists("/sys/block/" + QFileInfo(m_device).fileName() +
                                 "/loop/backing_file");
    }

private:
    QString m_mountPoint;
    QString m_device;
    QString m_problem;
};

} // namespace

TEST_F(TheApplicationMover, fromADiskImageTheOriginalIsKeptAndTheImageDetachedSoonAfter)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "attaching and mounting a disk image needs the administrator";
    const QString content = m_scratch + "/image-content";
    ASSERT_TRUE(TestBundle::make(content + "/Tolvane.app", marker()));
    const QString volume = m_scratch + "/Volume";
    const MountedImage image(content, m_scratch + "/Tolvane.img", volume);
    if (!image.problem().isEmpty())
        GTEST_SKIP() << qPrintable(image.problem());
    useHomeApplications();
    const QString bundle = volume + "/Tolvane.app";

    EXPECT_EQ(offer(bundle, {kAgree}).size(), 1);

    EXPECT_EQ(m_endings, 1);
    EXPECT_TRUE(QFileInfo(TestBundle::executable(homeApplications() + "/Tolvane.app")).isFile());
    EXPECT_TRUE(QFileInfo::exists(bundle + "/Contents/Info.plist"));
    EXPECT_TRUE(image.isAttached());
    EXPECT_TRUE(waitFor([&] { return !image.isMounted() && !image.isAttached(); }, 20000))
        << "the image is still attached";
}
